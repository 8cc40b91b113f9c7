#pragma once

#include <QString>

namespace mivora {

// Small text helpers of the voice controller's log lines and notices.
namespace VoiceText {

// Seconds as whole milliseconds, rounded half away from zero, followed by "ms": 1.2344 -> "1234ms".
QString ms(double seconds);

} // namespace VoiceText
} // namespace mivora
