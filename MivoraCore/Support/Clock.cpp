#include "Support/Clock.h"

#include <time.h>

namespace mivora {

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

double SystemClock::uptime() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace mivora
