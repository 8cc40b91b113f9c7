#include "MivoraUI/Home/TipText.h"

#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

namespace {
constexpr double travel = 6;
} // namespace

TipText::TipText(QWidget* parent) : QWidget(parent) {
    setFont(UI::font(12.5));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&progress_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void TipText::setText(const QString& text, bool animate) {
    if (text == text_) return;
    old_ = text_;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    if (animate && isVisible()) {
        progress_.jumpTo(0.0);
        progress_.springTo(1.0, UI::smooth);
    } else {
        progress_.jumpTo(1.0);
    }
    update();
}

QSize TipText::sizeHint() const {
    const QFontMetricsF fm(font());
    return QSizeF(fm.horizontalAdvance(text_), fm.height()).toSize() + QSize(1, 0);
}

QSize TipText::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void TipText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(StyledLabel::color(StyledLabel::Style::secondary, palette()));
    const double p = std::clamp(progress_.value().toDouble(), 0.0, 1.0);
    const QFontMetrics fm(font());
    const auto draw = [&](const QString& text, double dy, double opacity) {
        painter.setOpacity(opacity);
        painter.drawText(QRectF(rect()).translated(0, dy), Qt::AlignLeft | Qt::AlignVCenter,
                         fm.elidedText(text, Qt::ElideRight, width()));
    };
    if (p < 1) draw(old_, -travel * p, 1 - p);
    draw(text_, travel * (1 - p), p);
}

} // namespace mivora
