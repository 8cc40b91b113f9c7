#include "MivoraUI/Kit/SecondaryLabel.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

SecondaryLabel::SecondaryLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
}

QColor SecondaryLabel::colour(const QPalette& palette) {
    QColor c = UI::primary(palette);
    c.setAlphaF(0.55f);
    return c;
}

void SecondaryLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(colour(palette()));
    painter.setFont(font());
    painter.drawText(contentsRect(), int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
}

} // namespace mivora
