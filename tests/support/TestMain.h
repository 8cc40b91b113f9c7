#pragma once

#include <QString>

namespace mivora::test {

// The throwaway HOME that the test main set up for this process (XDG_* folders lie below it).
QString home();

} // namespace mivora::test
