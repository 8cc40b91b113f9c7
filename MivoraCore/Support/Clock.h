#pragma once

#include <QDateTime>

namespace mivora {

// Wall time and monotonic uptime. Services take a Clock so tests can set the time.
class Clock {
public:
    virtual ~Clock() = default;
    // Current wall time (UTC).
    virtual QDateTime now() const = 0;
    // Seconds of monotonic uptime; the time base of key events.
    virtual double uptime() const = 0;

    // A process-wide real clock, left only for the dictation desktop tests; the shell and every other
    // test make their own SystemClock. Goes once those tests do too.
    static Clock& system();
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    double uptime() const override;
};

} // namespace mivora
