#include "MivoraUI/HUD/RecDot.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace mivora {

RecDot::RecDot(QWidget* parent) : QWidget(parent) {
    setFixedSize(7, 7);
    setAttribute(Qt::WA_TranslucentBackground);
    pulse_.setStartValue(0.0);
    pulse_.setEndValue(1.0);
    pulse_.setDuration(1800);
    pulse_.setLoopCount(-1);
    connect(&pulse_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

double RecDot::opacity() const {
    if (pulse_.state() != QAbstractAnimation::Running) return 0.45;
    // Ease in and out to full opacity and back over one period.
    const double t = pulse_.currentValue().toDouble();
    return 0.45 + 0.55 * (1 - std::cos(2 * std::numbers::pi * t)) / 2;
}

void RecDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(1.0f, 0.27f, 0.23f, float(opacity())));
    painter.drawEllipse(QRectF(rect()));
}

void RecDot::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    pulse_.start();
}

void RecDot::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    pulse_.stop();
}

} // namespace mivora
