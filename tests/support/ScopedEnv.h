#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <time.h>

namespace mivora::test {

// Sets (or, given nullptr, removes) an environment variable for the life of the object and puts the old
// value back afterwards. Changing TZ also makes the C library re-read the zone.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
        tzset();
    }
    ScopedEnv(const char* name, const QByteArray& value) : ScopedEnv(name, value.constData()) {}
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
        tzset();
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace mivora::test
