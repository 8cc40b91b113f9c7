#include "MivoraUI/Memories/MemoryEditor.h"

#include "MivoraUI/Kit/ConfirmDialog.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/Switch.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Memories/MemoriesLabel.h"
#include "Support/Text.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextDocument>
#include <QVBoxLayout>

namespace mivora {

namespace {

using namespace Qt::StringLiterals;

const QString aliasJoiner = u"，"_s;

// A labelled block: the label in the secondary style above its control.
QLayout* field(const QString& label, QWidget* control) {
    auto* box = new QVBoxLayout;
    box->setSpacing(5);
    box->addWidget(new MemoriesLabel(label, 12, QFont::Medium, MemoriesLabel::Style::secondary));
    box->addWidget(control);
    return box;
}

QLineEdit* lineEdit(const QString& placeholder) {
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(placeholder);
    edit->setFont(UI::font(13));
    return edit;
}

} // namespace

MemoryEditor::MemoryEditor(Memory memory, bool isNew, QWidget* parent)
    : QWidget(parent), memory_(std::move(memory)), base_(memory_) {
    title_ = lineEdit(u"比如：家庭地址"_s);
    title_->setObjectName(u"title"_s);
    title_->setText(memory_.title);

    value_ = new QPlainTextEdit;
    value_->setObjectName(u"value"_s);
    value_->setFont(UI::font(13));
    value_->setFrameShape(QFrame::NoFrame);
    value_->viewport()->setAutoFillBackground(false);
    value_->setStyleSheet(u"QPlainTextEdit { background: transparent; }"_s);
    showValue(memory_.value);
    valueFrame_ = new QWidget;
    valueFrame_->setMinimumHeight(90);
    valueFrame_->installEventFilter(this);
    auto* frameLayout = new QVBoxLayout(valueFrame_);
    frameLayout->setContentsMargins(6, 6, 6, 6);
    frameLayout->addWidget(value_);

    aliases_ = lineEdit(u"比如：我的地址，我家，收货地址"_s);
    aliases_->setObjectName(u"aliases"_s);
    aliases_->setText(memory_.aliases.join(aliasJoiner));

    // The kit's switch, as on the settings page: drawn from the palette, so it reads in both appearances.
    sensitive_ = new Switch;
    sensitive_->setObjectName(u"sensitive"_s);
    sensitive_->setAccessibleName(u"敏感信息"_s);
    sensitive_->setChecked(memory_.sensitive);
    auto* toggleText = new QVBoxLayout;
    toggleText->setSpacing(2);
    toggleText->addWidget(new MemoriesLabel(u"敏感信息"_s, 13));
    toggleText->addWidget(new MemoriesLabel(u"密码、证件号这类：「问」到时不直接填，要按两次确认"_s, 11,
                                            QFont::Normal, MemoriesLabel::Style::secondary));
    auto* toggle = new QHBoxLayout;
    toggle->addLayout(toggleText, 1);
    toggle->addWidget(sensitive_, 0, Qt::AlignVCenter);

    delete_ = new SoftButton(u"删除"_s);
    delete_->setObjectName(u"delete"_s);
    QPalette red = delete_->palette();
    red.setColor(QPalette::WindowText, QColor(0xff, 0x3b, 0x30));
    delete_->setPalette(red);
    save_ = new PrimaryButton(QString());
    save_->setObjectName(u"save"_s);
    // The kit's buttons look the same when disabled; this page fades its save button instead.
    save_->setGraphicsEffect(new QGraphicsOpacityEffect(save_));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    buttons->addWidget(save_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(14);
    layout->addLayout(field(u"名字"_s, title_));
    layout->addLayout(field(u"内容"_s, valueFrame_), 1);
    layout->addLayout(field(u"也可以这样叫（用逗号隔开）"_s, aliases_));
    layout->addLayout(toggle);
    layout->addLayout(buttons);

    connect(title_, &QLineEdit::textChanged, this, &MemoryEditor::updateSave);
    connect(value_, &QPlainTextEdit::textChanged, this, &MemoryEditor::updateSave);
    connect(save_, &QAbstractButton::clicked, this, &MemoryEditor::save);
    connect(delete_, &QAbstractButton::clicked, this, &MemoryEditor::confirmDelete);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    // Anywhere in the window while the editor shows, as for the window's default button.
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] {
        if (save_->isEnabled()) save();
    });

    setNew(isNew);
    updateSave();
}

void MemoryEditor::setNew(bool isNew) {
    save_->setText(isNew ? u"存下"_s : u"保存"_s);
    delete_->setVisible(!isNew);
}

void MemoryEditor::follow(const Memory& stored) {
    if (title_->text() == base_.title && stored.title != base_.title) title_->setText(stored.title);
    if (!valueTouched() && stored.value != base_.value) showValue(stored.value);
    if (aliases_->text() == base_.aliases.join(aliasJoiner) && stored.aliases != base_.aliases)
        aliases_->setText(stored.aliases.join(aliasJoiner));
    if (sensitive_->isChecked() == base_.sensitive) sensitive_->setChecked(stored.sensitive);
    base_ = stored;
}

QStringList MemoryEditor::splitAliases(const QString& text) {
    static const QRegularExpression separators(u"[，,、;；]"_s);
    QStringList out;
    for (const QString& piece : text.split(separators, Qt::SkipEmptyParts)) {
        QString name = Text::trimSpacesAndTabs(piece);
        if (!name.isEmpty()) out.append(std::move(name));
    }
    return out;
}

Memory MemoryEditor::edited() const {
    Memory m = memory_;
    m.title = Text::trimSpacesAndTabs(title_->text());
    m.value = valueTouched() ? value() : base_.value;
    m.aliases = splitAliases(aliases_->text());
    m.sensitive = sensitive_->isChecked();
    return m;
}

QString MemoryEditor::value() const {
    // The document keeps line breaks as paragraph and line separators; the value keeps line feeds. (Its
    // plain-text form would also turn no-break spaces into spaces, which is not what was typed.)
    QString text = value_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    return text;
}

void MemoryEditor::showValue(const QString& text) {
    value_->setPlainText(text);
    valueShown_ = value();
}

bool MemoryEditor::valueTouched() const {
    return value() != valueShown_;
}

void MemoryEditor::save() {
    emit saveRequested(edited());
}

void MemoryEditor::confirmDelete() {
    auto* box = new ConfirmDialog(u"删除「"_s + title_->text() + u"」？"_s, u"删除"_s, this);
    box->setObjectName(u"deleteDialog"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this, box] {
        if (box->confirmed()) emit deleteRequested(memory_.id);
    });
    box->open();
}

void MemoryEditor::updateSave() {
    const bool ready = !Text::trimSpacesAndTabs(title_->text()).isEmpty() && !value().trimmed().isEmpty();
    save_->setEnabled(ready);
    static_cast<QGraphicsOpacityEffect*>(save_->graphicsEffect())->setOpacity(ready ? 1.0 : 0.4);
}

bool MemoryEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == valueFrame_ && event->type() == QEvent::Paint) {
        // The content's own rounded field: the text background with a separator outline inside its edge.
        QPainter painter(valueFrame_);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(palette().color(QPalette::Base));
        QColor line = UI::primary(palette());
        line.setAlphaF(0.15f);
        painter.setPen(QPen(line, 1));
        painter.drawRoundedRect(QRectF(valueFrame_->rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace mivora
