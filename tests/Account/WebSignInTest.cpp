#include "Account/WebSignIn.h"
#include "Account/AccountError.h"
#include "Account/AccountService.h"
#include "Account/MemoryTokenStore.h"
#include "Account/SignInCancelled.h"
#include "Support/HttpClient.h"
#include "support/FakeAccountServer.h"
#include "support/FakeBrowser.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Kind = AccountError::Kind;

namespace {

// What a sign-in ended with: "" on success, "cancelled", or the AccountError's text.
QString outcome(QCoro::Task<> task) {
    const TaskProbe<void> probe(std::move(task));
    if (!probe.wait()) return "still running";
    if (!probe.error()) return {};
    try {
        std::rethrow_exception(probe.error());
    } catch (const SignInCancelled&) {
        return "cancelled";
    } catch (const AccountError& e) {
        return e.message();
    } catch (...) {
        return "other";
    }
}

QString text(Kind kind) {
    return AccountError(kind).message();
}

// RFC 7636's S256, written out here rather than taken from the code under test.
QString s256(const QByteArray& verifier) {
    return QString::fromLatin1(QCryptographicHash::hash(verifier, QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QUrl withItem(QUrl url, const QString& name, const QString& value) {
    QUrlQuery query(url);
    query.removeAllQueryItems(name);
    query.addQueryItem(name, value);
    url.setQuery(query);
    return url;
}

class WebSignInTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeAccountServer server{clock};
    MemoryDefaults defaults;
    MemoryTokenStore tokens;
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    AccountService account{server.base(), tokens, network, defaults, clock};
    FakeBrowser browser;
    const QUrl authorize = server.url().resolved(QUrl("/google/o/oauth2/v2/auth"));
    const QUrl tokenURL = server.url().resolved(QUrl("/google/token"));
    WebSignIn web{browser, {authorize, tokenURL}};
};

TEST_F(WebSignInTest, AppleSignsInThroughTheServersPagesAndRefusesBadCallbacks) {
    ASSERT_EQ(outcome(web.apple(account)), "");
    ASSERT_TRUE(account.signedIn());
    EXPECT_EQ(account.tokens()->method, "apple");

    TaskProbe<void>(account.signOut()).wait(); // a forged state is refused before the error: see below
    server.webError = "cancelled";
    EXPECT_EQ(outcome(web.apple(account)), "cancelled");
    server.webError = "expired";
    EXPECT_EQ(outcome(web.apple(account)), text(Kind::expired));
    server.webError.clear();
    browser.closed = true;
    EXPECT_EQ(outcome(web.apple(account)), "cancelled");
    EXPECT_FALSE(account.signedIn());
}

TEST_F(WebSignInTest, GoogleSendsACodeWithPlusStrictlyEncodedAndMapsRefusals) {
    ASSERT_EQ(outcome(web.google(account)), "");
    ASSERT_TRUE(account.signedIn());
    EXPECT_EQ(account.tokens()->method, "google");
    const auto token =
        std::find_if(server.log.begin(), server.log.end(), [](auto& r) { return r.route == "google/token"; });
    ASSERT_NE(token, server.log.end());
    EXPECT_TRUE(token->body.startsWith("code=4%2F0A%2B")) << token->body.toStdString();
    EXPECT_TRUE(token->header("Authorization").isNull());
    EXPECT_EQ(QUrlQuery(browser.opened.last()).queryItemValue("scope", QUrl::FullyDecoded), "openid email");

    TaskProbe<void>(account.signOut()).wait();
    server.webError = "access_denied";
    EXPECT_EQ(outcome(web.google(account)), "cancelled");
    server.webError = "server_error"; // no code comes with it
    EXPECT_EQ(outcome(web.google(account)), text(Kind::badResponse));
    server.webError.clear();
    server.fail("google/token", {.status = 400});
    EXPECT_EQ(outcome(web.google(account)), text(Kind::expired));
    server.fail("google/token", {.drop = true});
    EXPECT_EQ(outcome(web.google(account)), text(Kind::offline));
    EXPECT_FALSE(account.signedIn());

    AccountService unconfigured(std::nullopt, tokens, network, defaults, clock);
    EXPECT_EQ(outcome(web.google(unconfigured)), text(Kind::notConfigured));
}

TEST_F(WebSignInTest, ChallengeIsS256AndARepeatedStateCountsOnceFirst) {
    EXPECT_EQ(AccountService::pkceChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    const AccountService::AppleWebLogin login = account.appleWebLogin();
    const QUrl callback("veskel://auth?state=other&state=" + login.state + "&error=cancelled");
    EXPECT_EQ(outcome(account.finishAppleWeb(callback, login)), text(Kind::badResponse));
    const QUrl first("veskel://auth?state=" + login.state + "&state=other&error=cancelled");
    EXPECT_EQ(outcome(account.finishAppleWeb(first, login)), "cancelled");
    const QUrl scheme("other://auth?state=" + login.state + "&code=x");
    EXPECT_EQ(outcome(account.finishAppleWeb(scheme, login)), text(Kind::badResponse));
}

// Both sign-ins send the S256 challenge of the verifier they later prove; the server refuses another
// method, a challenge of another length and a verifier that does not match.
TEST_F(WebSignInTest, SignInsSendTheS256ChallengeOfTheirVerifier) {
    ASSERT_EQ(outcome(web.google(account)), "");
    const QUrlQuery start(browser.opened.last());
    EXPECT_EQ(start.queryItemValue("code_challenge_method"), "S256");
    const auto sent = [&](const QString& route) {
        return *std::find_if(server.log.begin(), server.log.end(), [&](auto& r) { return r.route == route; });
    };
    const QUrlQuery form(QString::fromLatin1(sent("google/token").body));
    EXPECT_EQ(start.queryItemValue("code_challenge"),
              s256(form.queryItemValue("code_verifier", QUrl::FullyDecoded).toUtf8()));
    TaskProbe<void>(account.signOut()).wait();
    ASSERT_EQ(outcome(web.apple(account)), "");
    const QString verifier =
        QJsonDocument::fromJson(sent("auth/apple/web/exchange").body)["verifier"].toString();
    EXPECT_EQ(QUrlQuery(browser.opened.last()).queryItemValue("challenge"), s256(verifier.toUtf8()));
    TaskProbe<void>(account.signOut()).wait();

    const AccountService::GoogleLogin google = AccountService::googleLogin(authorize);
    const auto callback = [&](const QUrl& url, const QString& scheme) { // none: never came back
        const TaskProbe<QUrl> page(browser.open(url, scheme));
        return page.wait() && !page.error() ? page.get() : QUrl();
    };
    const auto opens = [&](const QUrl& url, const QString& scheme) {
        return !callback(url, scheme).isEmpty();
    };
    EXPECT_FALSE(
        opens(withItem(google.startURL, "code_challenge_method", "plain"), AccountService::googleScheme));
    EXPECT_FALSE(opens(withItem(google.startURL, "code_challenge", "short"), AccountService::googleScheme));
    AccountService::AppleWebLogin apple = account.appleWebLogin();
    EXPECT_FALSE(opens(withItem(apple.startURL, "challenge", google.verifier), "veskel"));

    // The right challenge with another verifier.
    const QUrl appleCallback = callback(apple.startURL, "veskel");
    apple.verifier = google.verifier;
    EXPECT_EQ(outcome(account.finishAppleWeb(appleCallback, apple)), AccountError::http(400).message());
    AccountService::GoogleLogin other = google;
    const QUrl googleCallback = callback(google.startURL, AccountService::googleScheme);
    other.verifier = apple.state + apple.state;
    EXPECT_EQ(outcome(account.finishGoogle(googleCallback, other, tokenURL)), text(Kind::expired));
    EXPECT_FALSE(account.signedIn());
}

} // namespace
