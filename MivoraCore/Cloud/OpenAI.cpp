#include "Cloud/OpenAI.h"

namespace mivora {

QUrl OpenAI::base() {
    return QUrl(QStringLiteral("https://api.openai.com/v1"));
}

bool OpenAI::isPublic(const QUrl& url) {
    return !url.host().isEmpty() && url.host() == QLatin1String(host);
}

} // namespace mivora
