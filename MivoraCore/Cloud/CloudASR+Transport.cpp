#include "Cloud/CloudASR.h"

#include "Cloud/OpenAI.h"
#include "Support/HttpClient.h"
#include "Support/NetworkError.h"
#include "Support/Text.h"

namespace mivora {

namespace {

constexpr int warmUpTimeoutMs = 3000;

} // namespace

QUrl CloudASR::appending(QUrl url, const QString& component) {
    QString path = url.path();
    if (!path.endsWith('/')) path += '/';
    url.setPath(path + component);
    return url;
}

QCoro::Task<QByteArray> CloudASR::post(QString path, int timeoutMs, QByteArray contentType, QByteArray body,
                                       std::shared_ptr<RequestAbort> abort) const {
    HttpRequest request("POST", appending(apiBase, path));
    request.timeoutMs = timeoutMs;
    request.setHeader("Authorization", "Bearer " + key.value_or(QString()).toUtf8());
    request.setHeader("Content-Type", contentType);
    if (!OpenAI::isPublic(apiBase)) request.setHeader("X-Yarrik-Device", deviceID(*defaults).toUtf8());
    request.body = std::move(body);
    const std::shared_ptr<HttpCall> call = session->start(std::move(request));
    if (abort) abort->track(call);
    const HttpResponse response = co_await *call; // NetworkError when no complete answer came
    if (response.status >= 200 && response.status <= 299) co_return response.body;
    throw Failure(Failure::Kind::http, response.status, Text::prefix(readErrorMessage(response.body), 80));
}

void CloudASR::warmUp() const {
    HttpRequest request("HEAD", appending(apiBase, QStringLiteral("models")));
    request.timeoutMs = warmUpTimeoutMs;
    session->fire(std::move(request));
}

} // namespace mivora
