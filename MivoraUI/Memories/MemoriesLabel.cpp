#include "MivoraUI/Memories/MemoriesLabel.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

MemoriesLabel::MemoriesLabel(const QString& text, double size, QFont::Weight weight, Style style,
                             QWidget* parent)
    : QLabel(parent), style_(style) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(UI::font(size, weight));
}

QColor MemoriesLabel::secondary(const QPalette& palette) {
    QColor c = palette.color(QPalette::WindowText);
    c.setAlphaF(0.55f);
    return c;
}

void MemoriesLabel::paintEvent(QPaintEvent* event) {
    if (style_ == Style::primary) return QLabel::paintEvent(event);
    // Resolved at paint time from the palette in use, so a switch of appearance shows on the next repaint.
    QPainter painter(this);
    painter.setPen(secondary(palette()));
    painter.setFont(font());
    painter.drawText(contentsRect(), int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
}

} // namespace mivora
