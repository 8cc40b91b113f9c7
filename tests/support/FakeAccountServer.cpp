#include "support/FakeAccountServer.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QNetworkReply>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

namespace mivora::test {

namespace {

QString randomText(const char* prefix) {
    return QString::fromLatin1(prefix) + QString::number(QRandomGenerator::global()->generate64(), 36);
}

QByteArray verbOf(const QHttpServerRequest& request) {
    return QByteArray(QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method())))
        .toUpper();
}

QJsonObject bodyOf(const QHttpServerRequest& request) {
    return QJsonDocument::fromJson(request.body()).object();
}

} // namespace

FakeAccountServer::FakeAccountServer(Clock& clock, QUrl upstream)
    : clock_(clock), upstream_(std::move(upstream)) {
    auto* tcp = new QTcpServer;
    if (tcp->listen(QHostAddress::LocalHost, 0)) port_ = tcp->serverPort();
    bind(tcp); // takes ownership
}

bool FakeAccountServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QString path = request.url().path();
    const bool google = path.startsWith(QLatin1String("/google/"));
    if (!path.startsWith(QLatin1String("/v1/")) && !google) {
        write(socket, Answer{404});
        return true;
    }
    const QString route = path.mid(google ? 1 : 4);
    const QByteArray verb = verbOf(request);
    log.append({{request.headers()}, route, verb, request.body()});

    Fault fault;
    QList<Fault>& faults = faults_[route];
    const auto match = std::find_if(faults.begin(), faults.end(),
                                    [&](const Fault& f) { return f.method.isEmpty() || f.method == verb; });
    if (match != faults.end()) fault = *match, faults.erase(match);
    if (fault.drop) {
        socket->abort();
        return true;
    }
    Answer reply;
    if (fault.status != 0)
        reply = {fault.status, fault.body};
    else if (const auto web = webAnswer(route, request))
        reply = *web;
    else if (route.startsWith(QLatin1String("auth/")) || route == QLatin1String("account") ||
             route == QLatin1String("vault"))
        reply = answer(route, request);
    else if (const auto user = bearerUser(request); !std::holds_alternative<User*>(user))
        reply = std::get<Answer>(user);
    else {
        forward(request, socket); // the relay
        return true;
    }
    if (fault.delayMs <= 0) {
        write(socket, reply);
        return true;
    }
    delays_.after(fault.delayMs / 1000.0, [socket = QPointer<QTcpSocket>(socket), reply] {
        if (socket) write(socket, reply);
    });
    return true;
}

FakeAccountServer::Answer FakeAccountServer::answer(const QString& route, const QHttpServerRequest& request) {
    using Method = QHttpServerRequest::Method;
    const Method method = request.method();
    const QJsonObject body = bodyOf(request);
    if (route == QLatin1String("auth/email/start") && method == Method::Post) {
        const QString email = body.value(QStringLiteral("email")).toString();
        if (email.isEmpty()) return {400};
        codes_[email] = QString::number(100000 + QRandomGenerator::global()->bounded(900000));
        return {};
    }
    if (route == QLatin1String("auth/email/verify") && method == Method::Post) {
        const QString email = body.value(QStringLiteral("email")).toString();
        const QString code = body.value(QStringLiteral("code")).toString();
        if (email.isEmpty() || code.isEmpty()) return {400};
        if (reviewCodes_.value(email) != code && codes_.value(email) != code) return {401};
        codes_.remove(email);
        return signIn(userFor(email));
    }
    if (route == QLatin1String("auth/refresh") && method == Method::Post) {
        const QString token = body.value(QStringLiteral("refreshToken")).toString();
        if (!refreshTokens_.contains(token)) return {401};
        return signIn(users_[refreshTokens_.take(token)]); // rotated: the old one is spent
    }
    if (route == QLatin1String("auth/logout") && method == Method::Post) {
        const QString token = body.value(QStringLiteral("refreshToken")).toString();
        refreshTokens_.remove(token);
        access_.removeIf([&](auto it) { return it->refreshToken == token; });
        return {};
    }
    const auto found = bearerUser(request);
    if (!std::holds_alternative<User*>(found)) return std::get<Answer>(found);
    User& user = *std::get<User*>(found);
    if (route == QLatin1String("account") && method == Method::Delete) {
        // The account and its vault are gone; its access tokens are refused, its refresh tokens unknown.
        const QString email = user.email;
        access_.removeIf(
            [&](auto it) { return it->email == email && (deletedAccess_.insert(it.key()), true); });
        refreshTokens_.removeIf([&](auto it) { return it.value() == email; });
        users_.remove(email);
        return {};
    }
    const auto record = [&](int status) {
        if (!user.vault) return Answer{404};
        const Vault& v = *user.vault;
        return json(status, {{"version", v.version}, {"blob", v.blob}, {"wrappedKey", v.wrappedKey}});
    };
    if (route == QLatin1String("vault") && method == Method::Get) return record(200);
    if (route == QLatin1String("vault") && method == Method::Put) {
        const QByteArray precondition = request.value("If-Match");
        // Overwriting a record needs the version it was read at; only a first write may go without.
        if (precondition.isNull() && user.vault) return {428};
        bool numeric = precondition.isNull();
        const qint64 ifMatch = numeric ? 0 : precondition.toLongLong(&numeric);
        const QJsonValue blob = body.value(QStringLiteral("blob"));
        const QJsonValue wrappedKey = body.value(QStringLiteral("wrappedKey"));
        if (!numeric || !blob.isString() || !wrappedKey.isString()) return {400};
        const qint64 current = user.vault ? user.vault->version : 0;
        if (ifMatch != current) return record(409);
        user.vault = Vault{current + 1, blob.toString(), wrappedKey.toString()};
        return json(200, {{"version", current + 1}});
    }
    return {404};
}

FakeAccountServer::User& FakeAccountServer::userFor(const QString& email) {
    if (!users_.contains(email)) users_[email] = User{QStringLiteral("u%1").arg(++userCount_), email, {}};
    return users_[email];
}

std::optional<FakeAccountServer::Answer> FakeAccountServer::webAnswer(const QString& route,
                                                                      const QHttpServerRequest& request) {
    const QUrlQuery query = request.query();
    const auto challengeOf = [](const QString& verifier) {
        return QString::fromLatin1(
            QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256)
                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    };
    if (route == QLatin1String("auth/apple/web/start")) {
        if (query.queryItemValue(QStringLiteral("challenge")).size() != 43) return Answer{400};
        const QString code = randomText("ac-");
        webCodes_[code] = {query.queryItemValue(QStringLiteral("challenge")), {}};
        return redirect(QUrl(QStringLiteral("veskel://auth")), query.queryItemValue(QStringLiteral("state")),
                        code);
    }
    if (route == QLatin1String("auth/apple/web/exchange")) {
        const QJsonObject body = bodyOf(request);
        const QString code = body.value(QStringLiteral("code")).toString();
        const WebCode issued = webCodes_.take(code);
        if (issued.challenge.isEmpty() ||
            issued.challenge != challengeOf(body.value(QStringLiteral("verifier")).toString()))
            return Answer{400};
        return signIn(userFor(QStringLiteral("apple-user@privaterelay.example")));
    }
    if (route == QLatin1String("google/o/oauth2/v2/auth")) {
        // Only the S256 method: a "plain" challenge would be the verifier itself, seen by the browser.
        if (query.queryItemValue(QStringLiteral("code_challenge_method")) != QLatin1String("S256") ||
            query.queryItemValue(QStringLiteral("code_challenge")).size() != 43)
            return Answer{400};
        const QString code = randomText("4/0A+") + QStringLiteral("+x");
        const QString redirectURI = query.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded);
        webCodes_[code] = {query.queryItemValue(QStringLiteral("code_challenge")), redirectURI};
        return redirect(QUrl(redirectURI), query.queryItemValue(QStringLiteral("state")), code);
    }
    if (route == QLatin1String("google/token")) {
        // Form decoding: "+" is a space, so a code sent with a raw "+" is not the code issued.
        QByteArray form = request.body();
        form.replace('+', ' ');
        const QUrlQuery fields{QString::fromUtf8(form)};
        const auto field = [&](const char* name) {
            return fields.queryItemValue(QString::fromLatin1(name), QUrl::FullyDecoded);
        };
        const WebCode issued = webCodes_.take(field("code"));
        if (issued.challenge.isEmpty() || issued.challenge != challengeOf(field("code_verifier")) ||
            issued.redirectURI != field("redirect_uri") || field("grant_type") != "authorization_code")
            return json(400, {{"error", "invalid_grant"}});
        const QString idToken = randomText("idt-");
        idTokens_[idToken] = QStringLiteral("google-user@gmail.example");
        return json(200, {{"id_token", idToken}});
    }
    if (route == QLatin1String("auth/google")) {
        const QString idToken = bodyOf(request).value(QStringLiteral("idToken")).toString();
        if (!idTokens_.contains(idToken)) return Answer{401};
        return signIn(userFor(idTokens_.take(idToken)));
    }
    return std::nullopt;
}

FakeAccountServer::Answer FakeAccountServer::redirect(QUrl target, const QString& state,
                                                      const QString& code) const {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("state"), state);
    if (webError.isEmpty())
        query.addQueryItem(QStringLiteral("code"), QString::fromLatin1(QUrl::toPercentEncoding(code)));
    else
        query.addQueryItem(QStringLiteral("error"), webError);
    target.setQuery(query);
    return Answer{302, {}, target.toEncoded()};
}

FakeAccountServer::Session FakeAccountServer::session(const QString& email) {
    const QJsonObject signedIn = QJsonDocument::fromJson(signIn(userFor(email)).body).object();
    return {signedIn[QStringLiteral("accessToken")].toString(),
            signedIn[QStringLiteral("refreshToken")].toString(),
            signedIn[QStringLiteral("user")].toObject()[QStringLiteral("id")].toString()};
}

FakeAccountServer::Answer FakeAccountServer::signIn(User& user) {
    const QString accessToken = randomText("at-");
    const QString refreshToken = randomText("rt-");
    access_[accessToken] = {user.email, clock_.now().addSecs(3600), refreshToken};
    refreshTokens_[refreshToken] = user.email;
    return json(200, {{"accessToken", accessToken},
                      {"refreshToken", refreshToken},
                      {"expiresIn", 3600},
                      {"user", QJsonObject{{"id", user.id}, {"email", user.email}}}});
}

std::variant<FakeAccountServer::User*, FakeAccountServer::Answer>
FakeAccountServer::bearerUser(const QHttpServerRequest& request) {
    const QByteArray authorization = request.value("Authorization");
    const QString token = QString::fromUtf8(authorization.mid(7));
    if (authorization.startsWith("Bearer ") && deletedAccess_.contains(token)) return Answer{403};
    if (!authorization.startsWith("Bearer ") || !access_.contains(token)) return Answer{401};
    const Access& access = access_[token];
    if (clock_.now() >= access.expiresAt) return Answer{401};
    return &users_[access.email];
}

void FakeAccountServer::forward(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (upstream_.isEmpty()) {
        write(socket, Answer{404});
        return;
    }
    QUrl target = upstream_;
    target.setPath(request.url().path());
    QNetworkRequest out(target);
    for (const auto& [name, value] : request.headers())
        if (name.compare("Host", Qt::CaseInsensitive) != 0 &&
            name.compare("Content-Length", Qt::CaseInsensitive) != 0)
            out.setRawHeader(name, value);
    QNetworkReply* reply = network_.sendCustomRequest(out, verbOf(request), request.body());
    QObject::connect(reply, &QNetworkReply::finished, this, [reply, socket = QPointer<QTcpSocket>(socket)] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (socket) write(socket, Answer{status.isValid() ? status.toInt() : 502, reply->readAll()});
    });
}

void FakeAccountServer::write(QTcpSocket* socket, const Answer& answer) {
    socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " Fake\r\n" +
                  (answer.location.isEmpty() ? QByteArray() : "Location: " + answer.location + "\r\n") +
                  "Content-Type: application/json\r\nContent-Length: " +
                  QByteArray::number(answer.body.size()) + "\r\n\r\n" + answer.body);
}

FakeAccountServer::Answer FakeAccountServer::json(int status, const QJsonObject& object) {
    return {status, QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

} // namespace mivora::test
