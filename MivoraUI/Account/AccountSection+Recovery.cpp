#include "MivoraUI/Account/AccountSection.h"

#include "Insertion/TextInserter.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/UI.h"
#include "Platform/Pasteboard.h"
#include "Platform/PlatformWords.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

namespace mivora {

namespace {

// The code's row: a faint rounded fill behind it, inset by 12 points.
class CodeBlock final : public QWidget {
public:
    CodeBlock() {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(12, 12, 12, 12);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = palette().color(QPalette::WindowText);
        fill.setAlphaF(0.05f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), 10, 10);
    }
};

QFont monospaced(double size, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(qRound(size));
    font.setWeight(weight);
    return font;
}

StyledLabel* explanation(const QString& text, const QString& name) {
    auto* label = new StyledLabel(text, 12, QFont::Normal, StyledLabel::Style::secondary);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

} // namespace

QWidget* AccountSection::buildRecoveryView() {
    recoveryView_ = new QWidget;
    recoveryView_->setObjectName(QStringLiteral("recoveryView"));
    auto* view = new QVBoxLayout(recoveryView_);
    view->setContentsMargins(0, 0, 0, 0);
    view->setSpacing(10);
    view->addWidget(new StyledLabel(QStringLiteral("开启记忆同步：先把恢复码存好"), 13, QFont::DemiBold));
    // Here the data key stays in this computer's keyring: the code is how every other device gets it.
    view->addWidget(explanation(PlatformWords::recoveryCodeNote(), QStringLiteral("recoveryNote")));

    auto* block = new CodeBlock;
    // Qt's own label, which draws a selection; plain text like every label of the block.
    recoveryCode_ = new QLabel;
    recoveryCode_->setTextFormat(Qt::PlainText);
    recoveryCode_->setObjectName(QStringLiteral("recoveryCode"));
    recoveryCode_->setFont(monospaced(17, QFont::Medium));
    recoveryCode_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    recoveryCode_->setCursor(Qt::IBeamCursor);
    block->layout()->addWidget(recoveryCode_);
    static_cast<QHBoxLayout*>(block->layout())->addStretch(1);
    auto* copy = new SoftButton(QStringLiteral("复制"));
    copy->setObjectName(QStringLiteral("copy"));
    connect(copy, &QAbstractButton::clicked, this, [this] {
        // Replaces everything on the clipboard with the code as shown, hyphens included.
        parts_.pasteboard.write({{{TextInserter::textType, recoveryCode_->text().toUtf8()}}});
    });
    block->layout()->addWidget(copy);
    view->addWidget(block);

    auto* confirmRow = new QHBoxLayout;
    confirmRow->addStretch(1);
    auto* confirm = new PrimaryButton(QStringLiteral("我已经存好了，开始同步"));
    confirm->setObjectName(QStringLiteral("confirmSaved"));
    connect(confirm, &QAbstractButton::clicked, this, [this] {
        if (parts_.sync) detached(parts_.sync->confirmRecoveryCodeSaved());
    });
    confirmRow->addWidget(confirm);
    view->addLayout(confirmRow);
    return recoveryView_;
}

QWidget* AccountSection::buildEnterView() {
    enterView_ = new QWidget;
    enterView_->setObjectName(QStringLiteral("enterView"));
    auto* view = new QVBoxLayout(enterView_);
    view->setContentsMargins(0, 0, 0, 0);
    view->setSpacing(8);
    view->addWidget(new StyledLabel(QStringLiteral("输入恢复码，取回同步的记忆"), 13, QFont::DemiBold));
    // No key arrives by itself here, so the text promises none; "再等等" only tries the vault again.
    view->addWidget(explanation(PlatformWords::enterCodeNote(), QStringLiteral("enterNote")));

    auto* row = new QHBoxLayout;
    recoveryField_ = new QLineEdit;
    recoveryField_->setObjectName(QStringLiteral("recoveryInput"));
    recoveryField_->setPlaceholderText(QStringLiteral("XXXXX-XXXXX-XXXXX-XXXXX-XXXXXX"));
    recoveryField_->setAccessibleName(QStringLiteral("恢复码"));
    recoveryField_->setFont(monospaced(13, QFont::Normal));
    connect(recoveryField_, &QLineEdit::textChanged, this, &AccountSection::setRecoveryInput);
    connect(recoveryField_, &QLineEdit::returnPressed, this, &AccountSection::enterCode);
    row->addWidget(recoveryField_, 1);
    auto* enter = new PrimaryButton(QStringLiteral("确定"));
    enter->setObjectName(QStringLiteral("enterCode"));
    enter_ = enter;
    connect(enter_, &QAbstractButton::clicked, this, &AccountSection::enterCode);
    row->addWidget(enter_);
    auto* wait = new SoftButton(QStringLiteral("再等等"));
    wait->setObjectName(QStringLiteral("waitMore"));
    connect(wait, &QAbstractButton::clicked, this, &AccountSection::startSync);
    row->addWidget(wait);
    view->addLayout(row);
    return enterView_;
}

void AccountSection::refreshRecovery() {
    enter_->setText(busy_ ? QStringLiteral("核对中…") : QStringLiteral("确定"));
    enter_->updateGeometry();
    setActive(enter_, !busy_ && !recoveryInput_.isEmpty());
}

void AccountSection::setRecoveryInput(const QString& text) {
    recoveryInput_ = text;
    if (recoveryField_->text() != text) recoveryField_->setText(text);
    refresh();
}

void AccountSection::enterCode() {
    MemorySync* sync = parts_.sync;
    if (!sync) return;
    // The check uses the text as it is now, even if the field changes while it runs; the engine's parser
    // decides what it accepts.
    run([self = QPointer(this), sync, text = recoveryInput_]() -> QCoro::Task<> {
        co_await sync->enterRecoveryCode(text);
        if (self) self->setRecoveryInput({});
    });
}

} // namespace mivora
