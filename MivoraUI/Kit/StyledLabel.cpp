#include "MivoraUI/Kit/StyledLabel.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

StyledLabel::StyledLabel(const QString& text, double size, QFont::Weight weight, Style style, double tracking,
                         QWidget* parent)
    : QLabel(parent), style_(style) {
    setTextFormat(Qt::PlainText);
    QFont f = UI::font(size, weight);
    if (tracking != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    setFont(f);
    setText(text);
}

QColor StyledLabel::color(Style style, const QPalette& palette) {
    QColor c = palette.color(QPalette::WindowText);
    switch (style) {
    case Style::primary:
        break;
    case Style::secondary:
        c.setAlphaF(0.55f);
        break;
    case Style::tertiary:
        c.setAlphaF(0.3f);
        break;
    case Style::orange:
        c = UI::orange();
        break;
    }
    return c;
}

void StyledLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color(style_, palette()));
    painter.setFont(font());
    painter.drawText(contentsRect(), int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
}

} // namespace mivora
