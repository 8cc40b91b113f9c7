#include "Cloud/CloudASR.h"

#include "Cloud/OpenAI.h"
#include "Support/NetworkError.h"
#include "Support/Text.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace mivora {

namespace {

constexpr int warmUpTimeoutMs = 3000;

struct LaterDeleter {
    void operator()(QNetworkReply* r) const { r->deleteLater(); }
};

} // namespace

QUrl CloudASR::appending(QUrl url, const QString& component) {
    QString path = url.path();
    if (!path.endsWith('/')) path += '/';
    url.setPath(path + component);
    return url;
}

QCoro::Task<QByteArray> CloudASR::post(QString path, int timeoutMs, QByteArray contentType, QByteArray body,
                                       std::shared_ptr<RequestAbort> abort) const {
    QNetworkRequest request(appending(apiBase, path));
    request.setTransferTimeout(timeoutMs);
    request.setRawHeader("Authorization", "Bearer " + key.value_or(QString()).toUtf8());
    request.setRawHeader("Content-Type", contentType);
    if (!OpenAI::isPublic(apiBase)) request.setRawHeader("X-Yarrik-Device", deviceID(*defaults).toUtf8());
    std::unique_ptr<QNetworkReply, LaterDeleter> reply(session->post(request, body));
    if (abort) abort->track(reply.get());
    co_await reply.get();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // Codes below 200 are connection and proxy failures: no usable HTTP answer, even if a status line
    // arrived before the connection broke.
    if (error != QNetworkReply::NoError && (!status.isValid() || int(error) < 200)) {
        // A transfer time-out surfaces as a cancellation that nobody asked for.
        const bool timedOut = error == QNetworkReply::OperationCanceledError && !(abort && abort->aborted());
        throw NetworkError(timedOut ? QNetworkReply::TimeoutError : error, reply->errorString());
    }
    const int code = status.isValid() ? status.toInt() : 0;
    const QByteArray data = reply->readAll();
    if (code >= 200 && code <= 299) co_return data;
    throw Failure(Failure::Kind::http, code, Text::prefix(readErrorMessage(data), 80));
}

void CloudASR::warmUp() const {
    QNetworkRequest request(appending(apiBase, QStringLiteral("models")));
    request.setTransferTimeout(warmUpTimeoutMs);
    QNetworkReply* reply = session->head(request);
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

} // namespace mivora
