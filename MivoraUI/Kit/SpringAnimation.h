#pragma once

#include "MivoraUI/Kit/Spring.h"

#include <QEasingCurve>
#include <QVariantAnimation>

#include <optional>

namespace mivora {

// A value animation that runs either along a spring or along a plain easing curve. Each run starts from
// the value currently shown, so a change of target in mid-flight continues from where the value is.
// Listeners of valueChanged read value(): the signal also fires while stopped, with a stale value.
class SpringAnimation final : public QVariantAnimation {
    Q_OBJECT
public:
    explicit SpringAnimation(const QVariant& initial, QObject* parent = nullptr);

    void springTo(const QVariant& target, const Spring& spring);
    void easeTo(const QVariant& target, double seconds, QEasingCurve::Type curve = QEasingCurve::OutCubic);
    // Sets the value at once, stopping any run.
    void jumpTo(const QVariant& target);
    QVariant value() const { return current_; }

protected:
    QVariant interpolated(const QVariant& from, const QVariant& to, qreal progress) const override;
    void updateCurrentValue(const QVariant& value) override;

private:
    void run(const QVariant& target, double seconds);
    std::optional<Spring> spring_;
    QVariant current_;
};

} // namespace mivora
