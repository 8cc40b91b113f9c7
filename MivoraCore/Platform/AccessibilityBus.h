#pragma once

namespace mivora {

// The desktop's accessibility service, through which other applications' focused fields are read.
class AccessibilityBus {
public:
    virtual ~AccessibilityBus() = default;
    // True when the service answers a request.
    virtual bool answers() = 0;
};

} // namespace mivora
