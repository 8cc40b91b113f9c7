#include "Account/AccountService.h"

#include "Account/AccountError.h"
#include "Account/TokenStore.h"
#include "Cloud/CloudASR.h"
#include "Support/Clock.h"
#include "Support/Paths.h"

#include <QCoroNetworkReply>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>

#include <algorithm>
#include <memory>

namespace mivora {

namespace {

constexpr int requestTimeoutMs = 20000;

struct LaterDeleter {
    void operator()(QNetworkReply* r) const { r->deleteLater(); }
};

QUrl appending(QUrl url, const QString& component) {
    QString path = url.path();
    if (!path.endsWith('/')) path += '/';
    url.setPath(path + component);
    return url;
}

// A plain function with the pointer as its argument: the coroutine must not refer to a lambda, which the
// recogniser may drop while the token is on its way.
QCoro::Task<std::optional<QString>> tokenOf(QPointer<AccountService> service) {
    if (!service) co_return std::nullopt;
    co_return co_await service->validAccessToken();
}

} // namespace

AccountService::AccountService(std::optional<QUrl> base, TokenStore& store, QNetworkAccessManager& network,
                               Defaults& defaults, Clock& clock, QObject* parent)
    : QObject(parent), base_(std::move(base)), store_(&store), network_(&network), defaults_(&defaults),
      clock_(&clock) {}

AccountService::~AccountService() = default;

std::optional<QUrl> AccountService::defaultBase() {
    if (const auto relay = CloudASR::proxy()) return relay->base;
    QFile file(Paths::developerDir() + QStringLiteral("/proxy_url"));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = QString(decoder.decode(file.readAll())).trimmed();
    if (decoder.hasError() || file.error() != QFileDevice::NoError) return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    // QUrl lower-cases the scheme, and only "https" exactly as written is taken.
    if (text.isEmpty() || !url.isValid() || !text.startsWith(QLatin1String("https:"))) return std::nullopt;
    return appending(url, QStringLiteral("v1"));
}

bool AccountService::loginRequired() {
    return CloudASR::proxy().has_value();
}

QCoro::Task<> AccountService::restore() {
    const quint64 epoch = epoch_;
    std::optional<AccountTokens> stored = co_await store_->load();
    if (epoch == epoch_) publish(std::move(stored));
}

void AccountService::publish(std::optional<AccountTokens> tokens) {
    tokens_ = std::move(tokens);
    emit tokensChanged();
}

QDateTime AccountService::expiryIn(double seconds) const {
    // Any number is a lifetime; one beyond a few centuries would only overflow the date.
    return clock_->now().addMSecs(qint64(std::clamp(seconds, -1e10, 1e10) * 1000.0));
}

QCoro::Task<QByteArray> AccountService::call(Request r) {
    if (!base_) throw AccountError(AccountError::Kind::notConfigured);
    QNetworkRequest request(appending(*base_, r.path));
    request.setTransferTimeout(requestTimeoutMs);
    request.setRawHeader("Content-Type", "application/json");
    // An empty bearer is still a bearer: it never falls back to the relay token.
    std::optional<QString> token = r.bearer;
    if (!token)
        if (const auto relay = CloudASR::proxy()) token = relay->token;
    if (token) request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
    request.setRawHeader("X-Yarrik-Device", CloudASR::deviceID(*defaults_).toUtf8());
    for (const auto& [name, value] : r.headers)
        request.setRawHeader(name, value);

    std::unique_ptr<QNetworkReply, LaterDeleter> reply(
        r.body ? network_->sendCustomRequest(request, r.method,
                                             QJsonDocument(*r.body).toJson(QJsonDocument::Compact))
               : network_->sendCustomRequest(request, r.method));
    co_await reply.get();

    // Qt reports 4xx and 5xx answers as errors too: only a reply without a status (or one whose connection
    // broke) is a transport failure.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    if (error != QNetworkReply::NoError && (!status.isValid() || int(error) < 200))
        throw AccountError(AccountError::Kind::offline);
    if (!status.isValid()) throw AccountError::http(0);
    const int code = status.toInt();
    if ((code >= 200 && code <= 299) || (code == 409 && r.keep409)) co_return reply->readAll();
    switch (code) {
    case 401:
        throw AccountError(AccountError::Kind::signedOut);
    case 403:
        throw AccountError(AccountError::Kind::accountGone);
    case 429:
        throw AccountError(AccountError::Kind::tooMany);
    default:
        throw AccountError::http(code);
    }
}

CloudRecognizer::AccountToken AccountService::recognizerToken() {
    return [self = QPointer<AccountService>(this)] { return tokenOf(self); };
}

} // namespace mivora
