#include "Dictation/VoiceText.h"

#include <cmath>

namespace mivora::VoiceText {

QString ms(double seconds) {
    return QString::number(std::llround(seconds * 1000.0)) + QStringLiteral("ms");
}

} // namespace mivora::VoiceText
