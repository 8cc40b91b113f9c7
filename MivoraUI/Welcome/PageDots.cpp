#include "MivoraUI/Welcome/PageDots.h"

#include "MivoraUI/Kit/UI.h"

#include <QMouseEvent>
#include <QPainter>

namespace mivora {

namespace {
constexpr double dotSize = 6;
constexpr double wide = 18;
constexpr double gap = 7;
} // namespace

PageDots::PageDots(int count, QWidget* parent) : QWidget(parent), count_(count) {
    setCursor(Qt::PointingHandCursor);
}

void PageDots::setCurrent(int index) {
    current_ = index;
    update();
}

QSize PageDots::sizeHint() const {
    return QSize(int((count_ - 1) * (dotSize + gap) + wide) + 2, int(dotSize) + 8);
}

QRectF PageDots::dot(int index) const {
    const double left = (width() - ((count_ - 1) * (dotSize + gap) + wide)) / 2;
    const double x = left + index * (dotSize + gap) + (index > current_ ? wide - dotSize : 0);
    return QRectF(x, (height() - dotSize) / 2, index == current_ ? wide : dotSize, dotSize);
}

void PageDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < count_; ++i) {
        QColor c = UI::primary(palette());
        c.setAlphaF(i == current_ ? 0.85 : 0.2);
        painter.setBrush(c);
        painter.drawRoundedRect(dot(i), dotSize / 2, dotSize / 2);
    }
}

void PageDots::mouseReleaseEvent(QMouseEvent* event) {
    for (int i = 0; i < count_; ++i)
        if (dot(i).adjusted(-gap / 2, -4, gap / 2, 4).contains(event->position())) return emit picked(i);
}

} // namespace mivora
