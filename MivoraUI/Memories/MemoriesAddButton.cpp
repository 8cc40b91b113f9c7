#include "MivoraUI/Memories/MemoriesAddButton.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

namespace {
constexpr int padding = 10;
constexpr int glyph = 13;
constexpr int gap = 5;
} // namespace

MemoriesAddButton::MemoriesAddButton(QWidget* parent) : QToolButton(parent) {
    setObjectName(QStringLiteral("add"));
    setText(QStringLiteral("添加"));
    setFont(UI::font(13));
    setPopupMode(QToolButton::InstantPopup);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize MemoriesAddButton::sizeHint() const {
    const QFontMetrics fm(font());
    return {glyph + gap + fm.horizontalAdvance(text()) + 2 * padding, fm.height() + 2 * padding};
}

void MemoriesAddButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ink = palette().color(QPalette::WindowText);
    if (isDown()) ink.setAlphaF(0.6f);
    const double mid = height() / 2.0;
    Icon::paint(painter, QStringLiteral("plus"), QRectF(padding, mid - glyph / 2.0, glyph, glyph), ink, 1.3);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(padding + glyph + gap, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
}

} // namespace mivora
