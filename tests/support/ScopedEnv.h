#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

#include <time.h>

namespace mivora::test {

// Sets an environment variable for the life of the object and puts the old value back afterwards. Changing
// TZ also makes the C library re-read the zone.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) old_ = qgetenv(name);
        qputenv(name, value);
        tzset();
    }
    ~ScopedEnv() {
        old_ ? qputenv(name_, *old_) : qunsetenv(name_);
        tzset();
    }
    ScopedEnv(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

} // namespace mivora::test
