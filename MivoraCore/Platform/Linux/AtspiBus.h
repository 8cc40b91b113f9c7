#pragma once

#include "Platform/AccessibilityBus.h"
#include "Platform/SteadyAnswer.h"

#include <optional>

namespace mivora {

class AtspiSession;

// The AT-SPI accessibility bus: it answers when its registry lists the desktop's applications within
// the session's short time-out. A registry that is only late keeps the last answer for a few polls.
class AtspiBus final : public AccessibilityBus {
public:
    explicit AtspiBus(AtspiSession& session) : session_(session) {}
    bool answers() override;

private:
    // What the registry said; nothing when it did not answer within the time-out.
    std::optional<bool> ask();

    AtspiSession& session_;
    SteadyAnswer answer_;
};

} // namespace mivora
