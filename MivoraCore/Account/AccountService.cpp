#include "Account/AccountService.h"

#include "Account/AccountError.h"
#include "Account/TokenStore.h"
#include "Cloud/CloudASR.h"
#include "Support/Clock.h"
#include "Support/HttpClient.h"
#include "Support/NetworkError.h"
#include "Support/Paths.h"

#include <QFile>
#include <QJsonDocument>
#include <QPointer>
#include <QStringDecoder>

#include <algorithm>
#include <memory>

namespace mivora {

namespace {

constexpr int requestTimeoutMs = 20000;

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

AccountService::AccountService(std::optional<QUrl> base, TokenStore& store, HttpClient& network,
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
    HttpRequest request(r.method, appending(*base_, r.path));
    request.timeoutMs = requestTimeoutMs;
    request.oneAttempt = true; // never sent twice, whatever happens to the connection
    request.setHeader("Content-Type", "application/json");
    // An empty bearer is still a bearer: it never falls back to the relay token.
    std::optional<QString> token = r.bearer;
    if (!token)
        if (const auto relay = CloudASR::proxy()) token = relay->token;
    if (token) request.setHeader("Authorization", "Bearer " + token->toUtf8());
    request.setHeader("X-Yarrik-Device", CloudASR::deviceID(*defaults_).toUtf8());
    for (const auto& [name, value] : r.headers)
        request.setHeader(name, value);
    if (r.body) request.body = QJsonDocument(*r.body).toJson(QJsonDocument::Compact);

    HttpResponse reply;
    try {
        reply = co_await network_->send(std::move(request));
    } catch (const NetworkError&) {
        throw AccountError(AccountError::Kind::offline);
    }
    const int code = reply.status;
    if ((code >= 200 && code <= 299) || (code == 409 && r.keep409)) co_return reply.body;
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
