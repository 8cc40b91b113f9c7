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
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    double uptime() const override;
};

} // namespace mivora
