#include "Platform/Linux/OwnKeyEvents.h"

namespace mivora {

namespace {
constexpr double maxAge = 3.0; // seconds an expected event may take to come back
}

void OwnKeyEvents::expect(int keycode, bool press, double now) {
    std::lock_guard lock(mutex_);
    expire(now);
    entries_.push_back({keycode, press, now});
}

bool OwnKeyEvents::consume(int keycode, bool press, double now) {
    std::lock_guard lock(mutex_);
    expire(now);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->keycode == keycode && it->press == press) {
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

void OwnKeyEvents::expire(double now) {
    while (!entries_.empty() && now - entries_.front().at > maxAge)
        entries_.pop_front();
}

} // namespace mivora
