#include "HudPresenter.h"

namespace mivora {

void HudPresenter::phaseChanged(const VoicePhase& phase) {
    scheduler_.cancel(pendingHide_);
    pendingHide_ = 0;
    if (phase.is(VoicePhase::Kind::idle)) {
        pendingHide_ = scheduler_.after(hideDelay, [this] {
            pendingHide_ = 0;
            if (hooks_.hide) hooks_.hide();
        });
        return;
    }
    const bool visible = hooks_.isVisible && hooks_.isVisible();
    if (!visible && hooks_.show) hooks_.show();
}

} // namespace mivora
