#pragma once

#include "Account/AccountTokens.h"
#include "Cloud/CloudRecognizer.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <memory>
#include <optional>
#include <variant>

namespace mivora {

class Clock;
class Defaults;
class HttpClient;
class TokenStore;

// The client of the account server and the owner of the signed-in state. Everything runs on the main
// thread; operations suspend only at requests and at the token store. Failures are AccountError values
// unless said otherwise.
//
// Every sign-in and every local sign-out moves the "auth epoch" on. Work that started under an older epoch
// (a refresh in flight, a sign-in still saving) publishes nothing when it ends, so a late answer can never
// sign the user in again.
//
// The implementation is split by concern: configuration and the request layer (AccountService.cpp),
// sign-in (+SignIn), token lifetime (+Tokens) and the vault record (+Vault).
class AccountService final : public QObject {
    Q_OBJECT
public:
    // The account's vault record; the server never reads the two strings, and neither does this class.
    struct VaultRecord {
        qint64 version = 0;
        QString blob;
        QString wrappedKey;
        bool operator==(const VaultRecord&) const = default;
    };
    // The outcome of a vault write: stored under a new version, or refused with the record held now.
    struct VaultPut {
        struct Saved {
            qint64 version = 0;
            bool operator==(const Saved&) const = default;
        };
        struct Conflict {
            VaultRecord current;
            bool operator==(const Conflict&) const = default;
        };
        std::variant<Saved, Conflict> outcome;
        bool operator==(const VaultPut&) const = default;
    };
    // The server's answer to a sign-in or a refresh.
    struct LoginReply {
        struct User {
            QString id;
            std::optional<QString> email;
        };
        QString accessToken;
        QString refreshToken;
        double expiresIn = 0; // seconds
        std::optional<User> user;

        // Throws badResponse for anything but an object with the three required members of their types
        // (and, when "user" is present and not null, an object with a string "id").
        static LoginReply read(const QByteArray& body);
    };

    // One browser sign-in with Apple through the account server's pages; lives for one attempt.
    struct AppleWebLogin {
        static const QString callbackScheme; // "veskel"
        QString state;                       // echoed by the callback
        QString verifier;                    // the PKCE verifier
        QUrl startURL;                       // the page the browser opens
    };
    // One authorisation-code sign-in with Google (PKCE, S256); lives for one attempt.
    struct GoogleLogin {
        QString state;
        QString verifier;
        QString redirectURI; // googleScheme + ":/oauth2redirect"
        QUrl startURL;
    };

    // Requests go to `base` (none: every request fails with notConfigured) through `network`; `defaults`
    // keeps the device identifier and `clock` dates the tokens. Tokens are read from `store` by `restore()`.
    AccountService(std::optional<QUrl> base, TokenStore& store, HttpClient& network, Defaults& defaults,
                   Clock& clock, QObject* parent = nullptr);
    ~AccountService() override;

    // The server of this build: the relay's base when a relay is configured; else the https URL in
    // ~/.yarrik/proxy_url (trimmed) with "v1" appended. Read anew on every call.
    static std::optional<QUrl> defaultBase();
    // Dictation goes through the relay and so needs a signed-in account.
    static bool loginRequired();

    const std::optional<QUrl>& base() const { return base_; }
    bool configured() const { return base_.has_value(); }
    bool signedIn() const { return tokens_.has_value(); }
    // A refresh of the tokens is waiting for the server's answer (not for the store's save that follows).
    bool refreshAwaitsServer() const { return refreshAwaitsServer_; }
    // Between signOutStarted() and the tokens going.
    bool signingOut() const { return signingOut_; }
    const std::optional<AccountTokens>& tokens() const { return tokens_; }

    // Publishes what the store holds; call once after creation. A sign-in or sign-out that ends first wins.
    QCoro::Task<> restore();

    QCoro::Task<> startEmail(QString email);
    // A rejected code (400, 401) is badCode. Signs in on success.
    QCoro::Task<> verifyEmail(QString email, QString code);
    // No white space, one "@" with text before it, and a "." after it followed by at least two characters.
    static bool looksLikeEmail(const QString& text);
    // `count` secure random bytes as unpadded URL-safe Base64; nothing when the random source fails.
    static std::optional<QString> randomURLSafe(int count);

    // Apple in the browser: the attempt to open (notConfigured without a server), then the callback URL the
    // browser came back with, checked in order (scheme, state, error, code) and exchanged for tokens.
    AppleWebLogin appleWebLogin() const;
    QCoro::Task<> finishAppleWeb(QUrl callback, AppleWebLogin login);
    // Google: the authorisation request at `authorize` (Google's endpoint unless a test names another),
    // then the callback, the code exchanged at `tokenURL` for an ID token, and that token at the server.
    static const QString googleClientID;
    static const QString googleScheme; // the client id's reverse-DNS form: callback and redirect scheme
    static QUrl googleAuthorizeURL();
    static QUrl googleTokenURL();
    static GoogleLogin googleLogin(const QUrl& authorize = googleAuthorizeURL());
    QCoro::Task<> finishGoogle(QUrl callback, GoogleLogin login, QUrl tokenURL);
    QCoro::Task<> signInGoogle(QString idToken);
    // The S256 transform: unpadded URL-safe Base64 of the SHA-256 of the verifier.
    static QString pkceChallenge(const QString& verifier);

    // The access token to use now, refreshed first when it expires within 60 s; nothing when signed out or
    // when the refresh failed (an account the server no longer knows is signed out).
    QCoro::Task<std::optional<QString>> validAccessToken();
    // One refresh shared by every caller while it runs; only its starter saves and publishes.
    QCoro::Task<AccountTokens> refreshed();
    QCoro::Task<> refreshNow();
    // Tells the server when signed in (its answer does not matter), then always signs out here.
    QCoro::Task<> signOut();
    QCoro::Task<> deleteAccount();

    // Nothing when the account has no record yet.
    QCoro::Task<std::optional<VaultRecord>> vaultGet();
    // Writes on condition that the server still holds version `ifMatch` (0: no record yet).
    QCoro::Task<VaultPut> vaultPut(QString blob, QString wrappedKey, qint64 ifMatch);
    // A record reply; JsonParseError for bytes that are not JSON, badResponse for another shape.
    static VaultRecord parseVault(const QByteArray& body);
    // A write's reply, 2xx or 409: a conflict when it carries "blob", else saved; errors as parseVault.
    static VaultPut readVaultPut(const QByteArray& body);

    // The recogniser's source of relay bearer tokens: this service's valid access token while it exists.
    CloudRecognizer::AccountToken recognizerToken();

signals:
    // `tokens()` changed (also when set to the same value).
    void tokensChanged();
    // The user is signing out: the logout request is about to go, and the tokens will go after it.
    void signOutStarted();
    // The server no longer takes this account's tokens: emitted just before they go (tokensChanged), so
    // work that was waiting for the server can tell this loss from a sign-out of the user's.
    void accountLost();

private:
    struct Request {
        QString path;
        const char* method; // a literal
        std::optional<QJsonObject> body;
        std::optional<QString> bearer;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool keep409 = false;
    };
    struct Refresh;

    // One attempt; maps the reply's status to an error.
    QCoro::Task<QByteArray> call(Request request);
    // `request` with a valid access token; a first 401 costs one refresh and one repeat.
    QCoro::Task<QByteArray> authed(Request request);
    QCoro::Task<AccountTokens> refreshBody(AccountTokens old, quint64 epoch);
    // Sends a sign-in request and adopts the tokens of its LoginReply (undecodable: badResponse).
    QCoro::Task<> signInWith(Request request, QString method);
    // Saves, publishes and logs new tokens.
    QCoro::Task<> adopt(AccountTokens tokens);
    // Empties the store and publishes no tokens; `lost`: because the server refused the account.
    QCoro::Task<> forget(bool lost = false);
    void publish(std::optional<AccountTokens> tokens);
    QDateTime expiryIn(double seconds) const;

    std::optional<QUrl> base_;
    TokenStore* store_;
    HttpClient* network_;
    Defaults* defaults_;
    Clock* clock_;
    std::optional<AccountTokens> tokens_;
    std::shared_ptr<Refresh> refreshing_;
    quint64 epoch_ = 0;
    bool signingOut_ = false; // from the logout request until the tokens are gone: no refresh may start
    bool refreshAwaitsServer_ = false;
};

} // namespace mivora
