#pragma once

#include "Platform/AccessibilityBus.h"

namespace mivora {

class AtspiSession;

// The AT-SPI accessibility bus: it answers when its registry lists the desktop's applications within
// the session's short time-out.
class AtspiBus final : public AccessibilityBus {
public:
    explicit AtspiBus(AtspiSession& session) : session_(session) {}
    bool answers() override;

private:
    AtspiSession& session_;
};

} // namespace mivora
