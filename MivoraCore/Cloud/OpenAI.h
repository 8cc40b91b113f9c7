#pragma once

#include <QString>
#include <QUrl>

namespace mivora {

// The public OpenAI API: its address and the models this program asks for. Every request that does not go
// to this host goes to a relay.
class OpenAI {
public:
    static constexpr const char* host = "api.openai.com";
    // https://api.openai.com/v1
    static QUrl base();
    // True when `url` addresses the public API rather than a relay.
    static bool isPublic(const QUrl& url);

    static QString transcribeModel() { return QStringLiteral("gpt-4o-transcribe"); }
    // The older model a transcription falls back to when a server does not know the configured one.
    static QString fallbackTranscribeModel() { return QStringLiteral("whisper-1"); }
    static QString tidyModel() { return QStringLiteral("gpt-6-luna"); }
    static QString tidyEffort() { return QStringLiteral("low"); }
};

} // namespace mivora
