#pragma once

#include "Platform/AccessibilityBus.h"

namespace mivora {

// The AT-SPI accessibility bus: it answers when its registry lists the desktop's applications within
// the short time-out the program uses for every accessibility request.
class AtspiBus final : public AccessibilityBus {
public:
    bool answers() override;
};

} // namespace mivora
