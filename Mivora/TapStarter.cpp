#include "TapStarter.h"

#include "Keys/KeyTap.h"

namespace mivora {

void TapStarter::start() {
    if (tap_.start()) {
        started_();
        return;
    }
    scheduler_.cancel(retry_);
    retry_ = scheduler_.every(retryInterval, [this] {
        if (!allowed_() || !tap_.start()) return;
        scheduler_.cancel(retry_);
        retry_ = 0;
        started_();
    });
}

} // namespace mivora
