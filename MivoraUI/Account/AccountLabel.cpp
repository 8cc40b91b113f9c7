#include "MivoraUI/Account/AccountLabel.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

AccountLabel::AccountLabel(const QString& text, double size, QFont::Weight weight, Style style,
                           QWidget* parent)
    : QLabel(parent), style_(style) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(UI::font(size, weight));
}

QColor AccountLabel::color(Style style, const QPalette& palette) {
    QColor c = palette.color(QPalette::WindowText);
    switch (style) {
    case Style::primary:
        break;
    case Style::secondary:
        c.setAlphaF(0.55f);
        break;
    case Style::tertiary:
        c.setAlphaF(0.32f);
        break;
    case Style::warning:
        c = UI::orange();
        break;
    }
    return c;
}

void AccountLabel::paintEvent(QPaintEvent* event) {
    // A selectable label keeps Qt's own drawing, which shows the selection.
    if (style_ == Style::primary || textInteractionFlags() & Qt::TextSelectableByMouse)
        return QLabel::paintEvent(event);
    QPainter painter(this);
    painter.setPen(color(style_, palette()));
    painter.setFont(font());
    painter.drawText(contentsRect(), int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
}

} // namespace mivora
