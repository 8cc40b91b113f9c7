#pragma once

namespace mivora {

// The process's one set-up of the AT-SPI library. libatspi keeps its connection and its call time-out
// process-wide, so the backends that read accessibility share this object (made by the platform
// factory) rather than each setting the library up. Every call to another application waits at most
// `timeoutMs` (instead of the library's 25 s). Main thread only.
class AtspiSession {
public:
    static constexpr int timeoutMs = 250;

    AtspiSession() = default;
    AtspiSession(const AtspiSession&) = delete;
    AtspiSession& operator=(const AtspiSession&) = delete;

    // True once the library is set up on a session bus; without one it is tried again on the next call.
    bool ready();

private:
    bool ready_ = false;
};

} // namespace mivora
