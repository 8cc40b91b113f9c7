#include "MivoraUI/Kit/SuccessBadge.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace mivora {

namespace {
constexpr double mark = 20;
constexpr double spacing = 8;
QFont textFont() {
    return UI::font(13, QFont::DemiBold);
}
} // namespace

SuccessBadge::SuccessBadge(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&ring_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void SuccessBadge::setText(const QString& text) {
    text_ = text;
    updateGeometry();
    update();
}

QSize SuccessBadge::sizeHint() const {
    const QFontMetricsF fm(textFont());
    return QSizeF(mark + spacing + fm.horizontalAdvance(text_), std::max(mark, fm.height())).toSize();
}

void SuccessBadge::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (played_) return;
    played_ = true;
    ring_.easeTo(1.0, 0.8, QEasingCurve::OutCubic);
}

void SuccessBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double r = ring();
    const QPointF centre(mark / 2, height() / 2.0);

    QColor ringColour = UI::green();
    ringColour.setAlphaF(float(0.5 * (1 - r)));
    painter.setPen(QPen(ringColour, 2));
    painter.setBrush(Qt::NoBrush);
    const double ringRadius = mark / 2 * (1 + 1.2 * r);
    painter.drawEllipse(centre, ringRadius, ringRadius);

    painter.setPen(Qt::NoPen);
    painter.setBrush(UI::green());
    painter.drawEllipse(centre, mark / 2, mark / 2);
    // The check mark bounces once while the ring goes out.
    const double bounce = 1 + 0.2 * std::sin(std::numbers::pi * std::clamp(r, 0.0, 1.0));
    const double side = 12 * bounce;
    Icon::paint(painter, QStringLiteral("checkmark"),
                QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side), Qt::white, 1.7);

    painter.setFont(textFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(mark + spacing, 0, width() - mark - spacing, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text_);
}

} // namespace mivora
