#pragma once

#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/FakeOpenAI.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QSet>
#include <QUrl>

#include <QtHttpServer/QAbstractHttpServer>
#include <QtHttpServer/QHttpServerRequest>

#include <optional>
#include <variant>

namespace mivora::test {

// A loopback account server on 127.0.0.1 that keeps the real service's rules: one-time codes, access/refresh
// pairs that expire (by `clock`; an expired access token gets 401), refresh rotation (the old refresh token
// then gets 401), logout revocation and one vault per user written under "If-Match" (equal to the current
// version, 0 when there is none; else 409 with the current record; missing on an existing record: 428). Any
// other path under "/v1/" is the relay: it takes a live access token as bearer (else 401) and forwards the
// request unchanged to `upstream` (404 without one).
//
// The browser sign-ins: "/v1/auth/apple/web/start" redirects to the "veskel" callback with a one-time code
// that "auth/apple/web/exchange" takes with the PKCE verifier; "/google/o/oauth2/v2/auth" stands for Google's
// authorisation page (its code holds "+" and "/"), "/google/token" for its token endpoint (a strict form
// body: a raw "+" reads as a space) and "auth/google" takes the ID token it issued. Both pages refuse (400)
// a challenge that is not 43 characters, Google's also a method other than "S256"; a verifier whose S256
// transform is not the challenge gets 400 at the exchange.
class FakeAccountServer final : public QAbstractHttpServer {
public:
    // In place of the route's next answer: `status` with `body`, or no answer and a closed connection;
    // `delayMs` holds back the answer (the normal one when `status` is 0).
    struct Fault {
        int status = 0;
        QByteArray body = "{}";
        bool drop = false;
        int delayMs = 0;
        QByteArray method; // only requests with this method ("PUT"); empty: any
    };
    struct Request : RecordedHeaders {
        QString route; // the path under "/v1/", such as "auth/refresh"
        QByteArray method;
        QByteArray body;
    };

    explicit FakeAccountServer(Clock& clock, QUrl upstream = {});

    // The server's root (what a relay setting names) and its API base "/v1" under it.
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_)); }
    QUrl base() const { return QUrl(url().toString() + QStringLiteral("/v1")); }

    // An account whose code is always `code` (never mailed, never used up).
    void addReviewAccount(const QString& email, const QString& code) { reviewCodes_[email] = code; }
    // A fresh sign-in of the account of `email`, as the mailed code would give it: access token, refresh
    // token and user id.
    struct Session {
        QString accessToken, refreshToken, userId;
    };
    Session session(const QString& email);
    // Another device's write: the vault of `email` becomes `blob` and `wrappedKey` at the next version.
    void putVault(const QString& email, const QString& blob, const QString& wrappedKey) {
        User& user = userFor(email);
        user.vault = Vault{user.vault ? user.vault->version + 1 : 1, blob, wrappedKey};
    }
    // The code last mailed to `email` and not yet used ("" when none).
    QString codeFor(const QString& email) const { return codes_.value(email); }
    // The version of the vault of the account of `email`; none while it has no vault.
    std::optional<qint64> vaultVersion(const QString& email) const {
        const auto user = users_.constFind(email);
        if (user == users_.cend() || !user->vault) return std::nullopt;
        return user->vault->version;
    }
    // The next `times` requests of `route` meet `fault`.
    void fail(const QString& route, Fault fault, int times = 1) {
        faults_[route].append(QList<Fault>(times, fault));
    }

    // When set, the browser redirects carry this "error" in place of a code.
    QString webError;

    QList<Request> log;
    int count(const QString& route) const {
        return int(std::count_if(log.begin(), log.end(), [&](const Request& r) { return r.route == route; }));
    }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    struct Answer {
        int status = 200;
        QByteArray body = "{}";
        QByteArray location; // a redirect's target
    };
    struct Vault {
        qint64 version = 0;
        QString blob;
        QString wrappedKey;
    };
    struct User {
        QString id;
        QString email;
        std::optional<Vault> vault;
    };
    struct Access {
        QString email;
        QDateTime expiresAt;
        QString refreshToken; // the session it belongs to
    };

    Answer answer(const QString& route, const QHttpServerRequest& request);
    Answer signIn(User& user);
    User& userFor(const QString& email);
    // The browser sign-in routes; none for other routes.
    std::optional<Answer> webAnswer(const QString& route, const QHttpServerRequest& request);
    Answer redirect(QUrl target, const QString& state, const QString& code) const;
    // The user behind the request's bearer, or the refusal to give.
    std::variant<User*, Answer> bearerUser(const QHttpServerRequest& request);
    void forward(const QHttpServerRequest& request, QTcpSocket* socket);
    static void write(QTcpSocket* socket, const Answer& answer);
    static Answer json(int status, const QJsonObject& object);

    Clock& clock_;
    QUrl upstream_;
    quint16 port_ = 0;
    QHash<QString, User> users_;            // by e-mail
    QHash<QString, QString> codes_;         // e-mail to the pending code
    QHash<QString, QString> reviewCodes_;   // e-mail to its fixed code
    QHash<QString, Access> access_;         // access token
    QHash<QString, QString> refreshTokens_; // live refresh token to e-mail
    QSet<QString> deletedAccess_;           // access tokens of deleted accounts: 403 from then on
    int userCount_ = 0;
    QHash<QString, QList<Fault>> faults_;
    struct WebCode {
        QString challenge;
        QString redirectURI;
    };
    QHash<QString, WebCode> webCodes_; // one-time code of a browser sign-in
    QHash<QString, QString> idTokens_; // Google ID token to e-mail
    QNetworkAccessManager network_;
    QtScheduler delays_;
};

} // namespace mivora::test
