#include "MivoraUI/Tutorial/Caret.h"

#include "MivoraUI/Tutorial/DemoClock.h"
#include "Support/Clock.h"

#include <cmath>

namespace mivora {

Caret::Caret(Scheduler& scheduler, const Clock& clock, std::function<bool()> visible, QObject* parent)
    : QObject(parent), scheduler_(scheduler), clock_(clock), visible_(std::move(visible)) {
    connect(&opacity_, &QVariantAnimation::valueChanged, this, &Caret::changed);
}

Caret::~Caret() {
    scheduler_.cancel(timer_);
}

void Caret::refresh() {
    const bool visible = visible_();
    if (visible && timer_ == 0) {
        timer_ = scheduler_.every(period, [this] { tick(); });
        tick();
    } else if (!visible) {
        scheduler_.cancel(timer_);
        timer_ = 0;
        set(true);
    }
}

void Caret::tick() {
    const double t = DemoClock::seconds(clock_);
    set(!visible_() || static_cast<long long>(std::floor(t / period)) % 2 == 0);
}

void Caret::set(bool on) {
    if (on == on_) return;
    on_ = on;
    opacity_.easeTo(on ? 1.0 : 0.0, 0.2, QEasingCurve::InOutQuad);
}

} // namespace mivora
