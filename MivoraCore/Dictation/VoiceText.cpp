#include "Dictation/VoiceText.h"

#include <cmath>
#include <exception>

namespace mivora::VoiceText {

QString ms(double seconds) {
    return QString::number(std::llround(seconds * 1000.0)) + QStringLiteral("ms");
}

std::optional<QString> describe(std::exception_ptr error) {
    if (!error) return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        if (!text.isEmpty()) return text;
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace mivora::VoiceText
