#include "MivoraUI/Kit/StatusDot.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

StatusDot::StatusDot(bool ok, QWidget* parent) : QWidget(parent), ok_(ok) {
    setFixedSize(sizeHint());
    pulse_.setStartValue(0.0);
    pulse_.setEndValue(1.0);
    pulse_.setDuration(1100);
    pulse_.setEasingCurve(QEasingCurve::OutCubic);
    pulse_.setLoopCount(3);
    connect(&pulse_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void StatusDot::setOk(bool ok) {
    if (ok == ok_) return;
    ok_ = ok;
    if (ok_ && isVisible()) startPulse();
    update();
}

void StatusDot::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (ok_) startPulse();
}

void StatusDot::startPulse() {
    pulse_.stop();
    pulse_.start();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    constexpr double dot = 3.5;
    if (ok_) {
        // After the last run the ring stays invisible, fully grown.
        const double p = pulsing() ? pulse_.currentValue().toDouble() : 1.0;
        QColor ring = UI::green();
        ring.setAlphaF(float(0.6 * (1 - p)));
        painter.setPen(QPen(ring, 1.5));
        painter.setBrush(Qt::NoBrush);
        const double r = dot * (1 + 1.4 * p);
        painter.drawEllipse(centre, r, r);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(ok_ ? UI::green() : UI::orange());
    painter.drawEllipse(centre, dot, dot);
}

} // namespace mivora
