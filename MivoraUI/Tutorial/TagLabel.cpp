#include "MivoraUI/Tutorial/TagLabel.h"

#include "MivoraUI/Kit/UI.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace mivora {

TagLabel::TagLabel(const QString& text, const QFont& font, double tint, QMargins padding, QWidget* parent)
    : QLabel(text, parent), tint_(tint) {
    setFont(font);
    setContentsMargins(padding);
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TagLabel::sizeHint() const {
    if (!wordWrap()) return QLabel::sizeHint();
    const QFontMetricsF metrics(font());
    const QMargins m = contentsMargins();
    // One pixel to spare, so rounding never sends the last character to a second line.
    return {int(std::ceil(metrics.horizontalAdvance(text()))) + 1 + m.left() + m.right(),
            int(std::ceil(metrics.height())) + m.top() + m.bottom()};
}

void TagLabel::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = UI::primary(palette());
        fill.setAlphaF(float(tint_));
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        const QRectF r = rect();
        const double radius = std::min(r.width(), r.height()) / 2;
        painter.drawRoundedRect(r, radius, radius);
    }
    QLabel::paintEvent(event);
}

} // namespace mivora
