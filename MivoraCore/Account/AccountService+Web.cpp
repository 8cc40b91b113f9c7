#include "Account/AccountError.h"
#include "Account/AccountService.h"
#include "Account/SignInCancelled.h"
#include "Support/HttpClient.h"
#include "Support/NetworkError.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonDocument>
#include <QUrlQuery>

#include <memory>

namespace mivora {

namespace {

constexpr int googleTimeoutMs = 20000;

[[noreturn]] void badResponse() {
    throw AccountError(AccountError::Kind::badResponse);
}

QString random(int bytes) {
    // The system's random source does not fail in practice; a login without its secrets must not start.
    const std::optional<QString> text = AccountService::randomURLSafe(bytes);
    if (!text) throw AccountError(AccountError::Kind::unavailable);
    return *text;
}

// The callback's query as a map: an item without a value is "", the first of a repeated name wins. Fails
// unless the scheme is `scheme`, there is a query and its "state" is `state`.
QHash<QString, QString> checkedQuery(const QUrl& callback, const QString& scheme, const QString& state) {
    if (callback.scheme().isEmpty() || callback.scheme() != scheme.toLower()) badResponse();
    QHash<QString, QString> items;
    for (const auto& [name, value] : QUrlQuery(callback).queryItems(QUrl::FullyDecoded))
        if (!items.contains(name)) items.insert(name, value);
    if (items.isEmpty() || !items.contains(QStringLiteral("state")) || items.value("state") != state)
        badResponse();
    return items;
}

// Everything but the unreserved characters is escaped, "+" among them, so a code or verifier holding one
// cannot turn into a space at the token endpoint.
QByteArray formBody(const QList<QPair<QString, QString>>& fields) {
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty()) body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

} // namespace

const QString AccountService::AppleWebLogin::callbackScheme = QStringLiteral("veskel");
const QString AccountService::googleClientID =
    QStringLiteral("408812736405-k3vq7m2s9d1p0fh6tjq8b4xw5n2rcel7.apps.googleusercontent.com");
const QString AccountService::googleScheme =
    QStringLiteral("com.googleusercontent.apps.408812736405-k3vq7m2s9d1p0fh6tjq8b4xw5n2rcel7");

QUrl AccountService::googleAuthorizeURL() {
    return QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"));
}

QUrl AccountService::googleTokenURL() {
    return QUrl(QStringLiteral("https://oauth2.googleapis.com/token"));
}

QString AccountService::pkceChallenge(const QString& verifier) {
    return QString::fromLatin1(QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

AccountService::AppleWebLogin AccountService::appleWebLogin() const {
    if (!base_) throw AccountError(AccountError::Kind::notConfigured);
    AppleWebLogin login{random(24), random(48), *base_};
    QString path = login.startURL.path();
    if (!path.endsWith('/')) path += '/';
    login.startURL.setPath(path + QStringLiteral("auth/apple/web/start"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("state"), login.state);
    query.addQueryItem(QStringLiteral("challenge"), pkceChallenge(login.verifier));
    login.startURL.setQuery(query);
    return login;
}

QCoro::Task<> AccountService::finishAppleWeb(QUrl callback, AppleWebLogin login) {
    const QHash<QString, QString> items = checkedQuery(callback, AppleWebLogin::callbackScheme, login.state);
    if (items.contains(QStringLiteral("error"))) {
        const QString error = items.value(QStringLiteral("error"));
        if (error == QLatin1String("cancelled")) throw SignInCancelled();
        if (error == QLatin1String("expired")) throw AccountError(AccountError::Kind::expired);
        if (error == QLatin1String("unavailable")) throw AccountError(AccountError::Kind::unavailable);
        badResponse();
    }
    const QString code = items.value(QStringLiteral("code"));
    if (code.isEmpty()) badResponse();
    const Request request{
        QStringLiteral("auth/apple/web/exchange"), "POST",
        QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("verifier"), login.verifier}}};
    co_await signInWith(request, QStringLiteral("apple"));
}

AccountService::GoogleLogin AccountService::googleLogin(const QUrl& authorize) {
    GoogleLogin login{random(24), random(48), googleScheme + QStringLiteral(":/oauth2redirect"), authorize};
    QUrlQuery query;
    query.setQueryItems({{QStringLiteral("client_id"), googleClientID},
                         {QStringLiteral("redirect_uri"), login.redirectURI},
                         {QStringLiteral("response_type"), QStringLiteral("code")},
                         {QStringLiteral("scope"), QStringLiteral("openid email")},
                         {QStringLiteral("state"), login.state},
                         {QStringLiteral("code_challenge"), pkceChallenge(login.verifier)},
                         {QStringLiteral("code_challenge_method"), QStringLiteral("S256")},
                         {QStringLiteral("prompt"), QStringLiteral("select_account")}});
    login.startURL.setQuery(query);
    return login;
}

QCoro::Task<> AccountService::finishGoogle(QUrl callback, GoogleLogin login, QUrl tokenURL) {
    const QHash<QString, QString> items = checkedQuery(callback, googleScheme, login.state);
    // Any other error comes without a code and fails below.
    if (items.value(QStringLiteral("error")) == QLatin1String("access_denied")) throw SignInCancelled();
    const QString code = items.value(QStringLiteral("code"));
    if (code.isEmpty()) badResponse();

    HttpRequest request("POST", tokenURL);
    request.timeoutMs = googleTimeoutMs;
    request.oneAttempt = true; // an authorisation code is good for one exchange
    request.setHeader("Content-Type", "application/x-www-form-urlencoded");
    request.body = formBody({{QStringLiteral("code"), code},
                             {QStringLiteral("client_id"), googleClientID},
                             {QStringLiteral("redirect_uri"), login.redirectURI},
                             {QStringLiteral("code_verifier"), login.verifier},
                             {QStringLiteral("grant_type"), QStringLiteral("authorization_code")}});
    HttpResponse reply;
    try {
        reply = co_await network_->send(std::move(request));
    } catch (const NetworkError&) {
        throw AccountError(AccountError::Kind::offline);
    }
    const QJsonValue idToken = QJsonDocument::fromJson(reply.body).object().value(QStringLiteral("id_token"));
    if (reply.status != 200 || !idToken.isString()) throw AccountError(AccountError::Kind::expired);
    co_await signInGoogle(idToken.toString());
}

QCoro::Task<> AccountService::signInGoogle(QString idToken) {
    const Request request{QStringLiteral("auth/google"), "POST",
                          QJsonObject{{QStringLiteral("idToken"), idToken}}};
    co_await signInWith(request, QStringLiteral("google"));
}

QCoro::Task<> AccountService::signInWith(Request request, QString method) {
    const QByteArray body = co_await call(request);
    const LoginReply reply = LoginReply::read(body);
    AccountTokens tokens{reply.accessToken,
                         reply.refreshToken,
                         expiryIn(reply.expiresIn),
                         reply.user ? reply.user->id : QString(),
                         reply.user ? reply.user->email : std::nullopt,
                         method};
    co_await adopt(std::move(tokens));
}

} // namespace mivora
