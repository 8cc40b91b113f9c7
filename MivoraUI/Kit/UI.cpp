#include "MivoraUI/Kit/UI.h"

#include "Support/Defaults.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace mivora::UI {

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor accent(const QPalette& palette) {
    return isDark(palette) ? QColor::fromRgbF(0.98f, 0.973f, 0.949f)
                           : QColor::fromRgbF(0.098f, 0.098f, 0.098f);
}

QColor onAccent(const QPalette& palette) {
    return isDark(palette) ? QColor::fromRgbF(0.08f, 0.08f, 0.08f) : QColor(Qt::white);
}

QColor card(const QPalette& palette) {
    return QColor::fromRgbF(1, 1, 1, isDark(palette) ? 0.035f : 0.72f);
}

QColor primary(const QPalette& palette) {
    return isDark(palette) ? QColor(Qt::white) : QColor(Qt::black);
}

QColor stroke(const QPalette& palette) {
    QColor c = primary(palette);
    c.setAlphaF(0.09f);
    return c;
}

QColor green() {
    return QColor::fromRgbF(0.2f, 0.78f, 0.45f);
}

QColor orange() {
    return QColor::fromRgbF(1.0f, 0.584f, 0.0f);
}

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    const auto lerp = [t](float x, float y) { return float(x + (y - x) * t); };
    return QColor::fromRgbF(lerp(a.redF(), b.redF()), lerp(a.greenF(), b.greenF()),
                            lerp(a.blueF(), b.blueF()), lerp(a.alphaF(), b.alphaF()));
}

QFont font(double size, QFont::Weight weight) {
    QFont f;
    f.setPixelSize(std::max(1, qRound(size)));
    f.setWeight(weight);
    return f;
}

bool reduceMotion(const Defaults& defaults) {
    return defaults.value(QStringLiteral("reduceMotion")).toBool();
}

void paintShadow(QPainter& painter, const QRectF& rect, double cornerRadius, double blur, const QColor& color,
                 const QPointF& offset) {
    if (color.alpha() == 0 || blur <= 0) return;
    // Concentric rounded rectangles, each a little larger and fainter, add up to a soft edge.
    constexpr int steps = 6;
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        const double grow = blur * i / steps;
        QColor c = color;
        c.setAlphaF(color.alphaF() * 2.0 / (steps + 1));
        painter.setBrush(c);
        const QRectF r = rect.translated(offset).adjusted(-grow / 2, -grow / 2, grow / 2, grow / 2);
        painter.drawRoundedRect(r, cornerRadius + grow / 2, cornerRadius + grow / 2);
    }
    painter.restore();
}

} // namespace mivora::UI
