#include "Dictation/VoiceText.h"

#include "Support/UserError.h"

#include <cmath>

namespace mivora::VoiceText {

QString ms(double seconds) {
    return QString::number(std::llround(seconds * 1000.0)) + QStringLiteral("ms");
}

std::optional<QString> describe(std::exception_ptr error) {
    return UserError::messageOf(error);
}

} // namespace mivora::VoiceText
