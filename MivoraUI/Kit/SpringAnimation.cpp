#include "MivoraUI/Kit/SpringAnimation.h"

namespace mivora {

SpringAnimation::SpringAnimation(const QVariant& initial, QObject* parent)
    : QVariantAnimation(parent), current_(initial) {}

void SpringAnimation::springTo(const QVariant& target, const Spring& spring) {
    spring_ = spring;
    setEasingCurve(QEasingCurve::Linear);
    run(target, spring.duration());
}

void SpringAnimation::easeTo(const QVariant& target, double seconds, QEasingCurve::Type curve) {
    spring_.reset();
    setEasingCurve(curve);
    run(target, seconds);
}

void SpringAnimation::jumpTo(const QVariant& target) {
    stop();
    current_ = target;
    emit valueChanged(current_);
}

void SpringAnimation::run(const QVariant& target, double seconds) {
    stop();
    if (current_ == target) return;
    setStartValue(current_);
    setEndValue(target);
    setDuration(std::max(1, int(seconds * 1000)));
    start();
}

QVariant SpringAnimation::interpolated(const QVariant& from, const QVariant& to, qreal progress) const {
    if (!spring_) return QVariantAnimation::interpolated(from, to, progress);
    const double eased = progress >= 1 ? 1.0 : spring_->at(progress * duration() / 1000.0);
    return QVariantAnimation::interpolated(from, to, eased);
}

void SpringAnimation::updateCurrentValue(const QVariant& value) {
    // QVariantAnimation also recomputes its value while stopped (when its start, end or curve are set);
    // only a running animation moves the value.
    if (state() == QAbstractAnimation::Running) current_ = value;
}

} // namespace mivora
