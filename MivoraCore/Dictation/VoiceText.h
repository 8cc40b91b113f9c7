#pragma once

#include <QString>

#include <exception>
#include <optional>

namespace mivora {

// Small text helpers of the voice controller's log lines and notices.
namespace VoiceText {

// Seconds as whole milliseconds, rounded half away from zero, followed by "ms": 1.2344 -> "1234ms".
QString ms(double seconds);

// The user-facing message of a failure, when it carries one: the message of a UserError. Absent for an
// empty message or anything else (a library's English what() never reaches a notice).
std::optional<QString> describe(std::exception_ptr error);

} // namespace VoiceText
} // namespace mivora
