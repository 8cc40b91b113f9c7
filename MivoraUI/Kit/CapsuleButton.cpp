#include "MivoraUI/Kit/CapsuleButton.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

namespace {

struct Metrics {
    double fontSize;
    QFont::Weight weight;
    double hPad;
    double vPad;
};

constexpr double symbolGap = 6;

double symbolSize(const QFont& font) {
    return QFontMetricsF(font).height() * 0.95;
}

Metrics metrics(bool primary) {
    return primary ? Metrics{13, QFont::DemiBold, 18, 9} : Metrics{13, QFont::Medium, 14, 8};
}

} // namespace

CapsuleButton::CapsuleButton(Look look, const QString& text, QWidget* parent)
    : QAbstractButton(parent), look_(look) {
    setText(text);
    const Metrics m = metrics(look_ == Look::primary);
    setFont(UI::font(m.fontSize, m.weight));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::pressed, this,
            [this] { press_.easeTo(1.0, 0.09, QEasingCurve::OutQuad); });
    connect(this, &QAbstractButton::released, this, [this] { press_.springTo(0.0, UI::snappy); });
    connect(&press_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

QSize CapsuleButton::sizeHint() const {
    const Metrics m = metrics(look_ == Look::primary);
    const QFontMetricsF fm(font());
    const double symbol = symbol_.isEmpty() ? 0 : symbolSize(font()) + symbolGap;
    return QSizeF(symbol + fm.horizontalAdvance(text()) + 2 * m.hPad, fm.height() + 2 * m.vPad).toSize();
}

void CapsuleButton::setSymbol(const QString& name) {
    symbol_ = name;
    updateGeometry();
    update();
}

void CapsuleButton::paintEvent(QPaintEvent*) {
    const double p = pressProgress();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const double scale = 1 - 0.03 * p;
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);

    const QRectF r = rect();
    const double radius = r.height() / 2;
    QColor fill;
    QColor ink;
    if (look_ == Look::primary) {
        painter.setOpacity(1 - 0.15 * p);
        fill = UI::accent(palette());
        ink = UI::onAccent(palette());
    } else {
        fill = UI::primary(palette());
        fill.setAlphaF(float(0.06 + 0.06 * p));
        ink = palette().color(QPalette::WindowText);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(r, radius, radius);
    painter.setFont(font());
    if (symbol_.isEmpty()) {
        painter.setPen(ink);
        painter.drawText(r, Qt::AlignCenter, text());
        return;
    }
    // Symbol and text centred together as one label.
    const double side = symbolSize(font());
    const double width = side + symbolGap + QFontMetricsF(font()).horizontalAdvance(text());
    const double left = r.center().x() - width / 2;
    Icon::paint(painter, symbol_, QRectF(left, r.center().y() - side / 2 - 1, side, side), ink);
    painter.setPen(ink);
    painter.drawText(QRectF(left + side + symbolGap, r.top(), r.width(), r.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace mivora
