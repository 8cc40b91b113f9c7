#include "MivoraUI/Kit/PracticeField.h"

#include "MivoraUI/Kit/UI.h"

#include <QEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace mivora {

namespace {
constexpr double radius = 10;
}

PracticeField::PracticeField(Scheduler& scheduler, const QString& placeholder, double height, QWidget* parent)
    : QWidget(parent), scheduler_(scheduler), editor_(new QPlainTextEdit(this)) {
    setFixedHeight(qRound(height));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(editor_);
    editor_->setFrameShape(QFrame::NoFrame);
    // The field is a few lines tall and a take often fills more: a scrollbar appearing then would narrow
    // the text and jump the lines. It scrolls all the same (the caret stays in view, the wheel works).
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_->setFont(UI::font(14));
    editor_->setPlaceholderText(placeholder);
    editor_->viewport()->setAutoFillBackground(false);
    editor_->setAutoFillBackground(false);
    editor_->installEventFilter(this);
    tintPlaceholder();
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] { emit textChanged(text()); });
    connect(&ring_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

PracticeField::~PracticeField() {
    scheduler_.cancel(focusTimer_);
}

QString PracticeField::text() const {
    return editor_->toPlainText();
}

void PracticeField::setText(const QString& text) {
    if (text != this->text()) editor_->setPlainText(text);
}

void PracticeField::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    scheduler_.cancel(focusTimer_);
    focusTimer_ = scheduler_.after(0.3, [this] {
        focusTimer_ = 0;
        editor_->setFocus(Qt::OtherFocusReason);
    });
}

void PracticeField::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    scheduler_.cancel(focusTimer_);
    focusTimer_ = 0;
}

void PracticeField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) tintPlaceholder();
}

// The placeholder is drawn in the tertiary foreground of the current appearance.
void PracticeField::tintPlaceholder() {
    QPalette p = editor_->palette();
    QColor tertiary = UI::primary(palette());
    tertiary.setAlphaF(0.3f);
    p.setColor(QPalette::PlaceholderText, tertiary);
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, palette().color(QPalette::Text));
    editor_->setPalette(p);
}

bool PracticeField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::FocusIn) ring_.springTo(1.0, UI::smooth);
        if (event->type() == QEvent::FocusOut) ring_.springTo(0.0, UI::smooth);
    }
    return QWidget::eventFilter(watched, event);
}

void PracticeField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const double f = std::clamp(focusRing(), 0.0, 1.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(pal.color(QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()), radius, radius);

    QColor idle = UI::primary(pal);
    idle.setAlphaF(0.12f);
    QColor focused = UI::accent(pal);
    focused.setAlphaF(0.5f);
    const QColor line = UI::mix(idle, focused, f);
    const double width = 1 + 0.5 * f;
    painter.setPen(QPen(line, width));
    painter.setBrush(Qt::NoBrush);
    const double inset = width / 2;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius - inset,
                            radius - inset);
}

} // namespace mivora
