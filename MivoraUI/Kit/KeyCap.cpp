#include "MivoraUI/Kit/KeyCap.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"
#include "Platform/PlatformWords.h"

#include <QPainter>

namespace mivora {

namespace {

constexpr double capHeight = 30;
constexpr double drop = 2;
constexpr double radius = 7;
constexpr Spring pressSpring{0.16, 0.85};

} // namespace

KeyCap::KeyCap(const QString& label, const QString& symbol, double width, bool down, bool highlight,
               QWidget* parent)
    : QWidget(parent), label_(PlatformWords::keyCap(label)), symbol_(symbol), width_(width), down_(down),
      highlight_(highlight), press_(down ? 1.0 : 0.0), glow_(highlight ? 1.0 : 0.0) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&press_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(&glow_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

QSize KeyCap::sizeHint() const {
    // The base shows 2 points below the released cap.
    return QSizeF(width_, capHeight + drop).toSize();
}

void KeyCap::setDown(bool down) {
    if (down == down_) return;
    down_ = down;
    press_.springTo(down ? 1.0 : 0.0, pressSpring);
}

void KeyCap::setHighlight(bool highlight) {
    if (highlight == highlight_) return;
    highlight_ = highlight;
    glow_.springTo(highlight ? 1.0 : 0.0, UI::smooth);
}

QRectF KeyCap::capRect() const {
    return QRectF(0, drop * press_.value().toDouble(), width_, capHeight);
}

void KeyCap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const double glow = glow_.value().toDouble();

    QColor base = UI::primary(pal);
    base.setAlphaF(0.18f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(base);
    painter.drawRoundedRect(QRectF(0, drop, width_, capHeight), radius, radius);

    const QRectF cap = capRect();
    painter.setBrush(UI::mix(pal.color(QPalette::Base), UI::accent(pal), glow));
    painter.drawRoundedRect(cap, radius, radius);
    painter.setPen(QPen(UI::stroke(pal), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);

    QColor plain = UI::primary(pal);
    plain.setAlphaF(0.8f);
    const QColor ink = UI::mix(plain, UI::onAccent(pal), glow);
    const QFont font = UI::font(12, QFont::DemiBold);
    const double textWidth = QFontMetricsF(font).horizontalAdvance(label_);
    const bool withSymbol = !symbol_.isEmpty() && Icon::has(symbol_);
    constexpr double symbolSide = 12;
    const double total = textWidth + (withSymbol ? symbolSide + 3 : 0);
    double x = cap.center().x() - total / 2;
    if (withSymbol) {
        Icon::paint(painter, symbol_, QRectF(x, cap.center().y() - symbolSide / 2, symbolSide, symbolSide),
                    ink, 1.2);
        x += symbolSide + 3;
    }
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(QRectF(x, cap.top(), textWidth + 1, cap.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     label_);
}

} // namespace mivora
