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

    // The time-out every call to another application waits now, in milliseconds.
    int timeoutNowMs() const { return shortened_ > 0 ? shortMs_ : timeoutMs; }

    // Shortens the time-out of every call while it lives (nested ones keep the shortest outer value).
    class ShortTimeout {
    public:
        ShortTimeout(AtspiSession& session, int ms);
        ~ShortTimeout();
        ShortTimeout(const ShortTimeout&) = delete;
        ShortTimeout& operator=(const ShortTimeout&) = delete;

    private:
        AtspiSession& session_;
    };

private:
    bool ready_ = false;
    int shortened_ = 0;
    int shortMs_ = timeoutMs; // the time-out while shortened
};

} // namespace mivora
