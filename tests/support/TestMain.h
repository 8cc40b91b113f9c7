#pragma once

#include <QString>

namespace mivora::test {

// The throwaway HOME that the test main set up for this process (XDG_* folders lie below it).
inline QString home() {
    return qEnvironmentVariable("HOME");
}

} // namespace mivora::test
