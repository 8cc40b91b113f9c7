#include "Account/AccountService.h"
#include "Account/AccountError.h"
#include "Account/MemoryTokenStore.h"
#include "Account/TokenStore.h"
#include "Support/BundleInfo.h"
#include "Support/HttpClient.h"
#include "Support/Paths.h"
#include "support/FailingRandom.h"
#include "support/FakeAccountServer.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Kind = AccountError::Kind;
using namespace Qt::StringLiterals;

namespace mivora {
void PrintTo(const AccountError& e, std::ostream* os) {
    *os << e.what();
}
} // namespace mivora

namespace {

const AccountError signedOut(Kind::signedOut), accountGone(Kind::accountGone), badResponse(Kind::badResponse);

const QString ann = QStringLiteral("ann@example.com");

std::optional<AccountError> accountError(std::exception_ptr error) {
    if (!error) return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const AccountError& e) {
        return e;
    } catch (...) {
    }
    return AccountError::http(-1); // anything but an account error
}

template <typename T> std::optional<AccountError> errorOf(QCoro::Task<T> task) {
    const TaskProbe<T> probe(std::move(task));
    if (!probe.wait()) ADD_FAILURE() << "still running";
    return accountError(probe.error());
}

// An error the task throws fails the test as an exception.
template <typename T> T valueOf(QCoro::Task<T> task) {
    const TaskProbe<T> probe(std::move(task));
    if (!probe.wait()) ADD_FAILURE() << "still running";
    return probe.get();
}

void done(QCoro::Task<> task) {
    EXPECT_EQ(errorOf(std::move(task)), std::nullopt);
}

// The test's store behind a removal that takes `seconds`; `onRemove` runs as the removal begins.
class SlowRemoval final : public TokenStore {
public:
    SlowRemoval(MemoryTokenStore& inner, Scheduler& timers, double seconds)
        : inner_(&inner), timers_(&timers), seconds_(seconds) {}
    std::function<void()> onRemove;

    QCoro::Task<std::optional<AccountTokens>> load() override { return inner_->load(); }
    QCoro::Task<> save(AccountTokens tokens) override { return inner_->save(std::move(tokens)); }
    QCoro::Task<> remove() override {
        if (onRemove) onRemove();
        auto pause = timers_->sleep(seconds_);
        co_await pause;
        co_await inner_->remove();
    }

private:
    MemoryTokenStore* inner_;
    Scheduler* timers_;
    double seconds_;
};

// The relay setting for as long as it lives.
struct Relay {
    explicit Relay(const QString& url = "https://relay.example") {
        BundleInfo::setOverride({{"YarrikProxyURL", url}, {"YarrikProxyToken", "relay-token"}});
    }
    ~Relay() { BundleInfo::reset(); }
};

} // namespace

class AccountServiceTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeAccountServer server{clock};
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    MemoryDefaults defaults;
    MemoryTokenStore store;
    AccountService account{server.base(), store, network, defaults, clock};

    void signIn() {
        done(account.startEmail(ann));
        done(account.verifyEmail(ann, server.codeFor(ann)));
        ASSERT_TRUE(account.signedIn());
    }
    // Seconds left on the access token, as the client sees them.
    void leave(double seconds) {
        clock.setNow(account.tokens()->expiresAt.addMSecs(qint64(-seconds * 1000)));
    }
    void expectSignedOut() {
        EXPECT_FALSE(account.signedIn());
        EXPECT_EQ(store.value, std::nullopt);
    }
};

// Every request has the device; the bearer is the one given (even empty), else the relay token, else none.
TEST_F(AccountServiceTest, SendsDeviceAndTheRightCredential) {
    done(account.startEmail(ann));
    EXPECT_EQ(server.log[0].header("Authorization"), QByteArray());
    {
        const Relay relay;
        done(account.startEmail(ann));
        EXPECT_EQ(server.log[1].header("Authorization"), "Bearer relay-token");
    }
    for (const auto& request : server.log)
        EXPECT_EQ(request.header("X-Yarrik-Device"), defaults.value("cloudDeviceID").toByteArray());
}

TEST_F(AccountServiceTest, MapsStatusesToErrors) {
    const std::pair<FakeAccountServer::Fault, std::optional<AccountError>> starts[] = {
        {{401}, signedOut},
        {{403}, accountGone},
        {{429}, AccountError(Kind::tooMany)},
        {{500}, AccountError::http(500)},
        {{.drop = true}, AccountError(Kind::offline)},
        {{204}, std::nullopt}};
    for (const auto& [fault, expected] : starts) {
        server.fail("auth/email/start", fault);
        EXPECT_EQ(errorOf(account.startEmail(ann)), expected) << fault.status;
    }
    server.fail("auth/email/verify", {401}); // a wrong code, not a lost session
    EXPECT_EQ(errorOf(account.verifyEmail(ann, "1")), AccountError(Kind::badCode));
    AccountService unconfigured(std::nullopt, store, network, defaults, clock);
    const qsizetype sent = server.log.size();
    EXPECT_EQ(errorOf(unconfigured.startEmail(ann)), AccountError(Kind::notConfigured));
    EXPECT_EQ(server.log.size(), sent);
}

// The sign-in reply decides the user; the typed address fills in for a missing e-mail. A reply that does
// not read leaves the account as it was.
TEST_F(AccountServiceTest, SignsInFromTheReply) {
    server.fail("auth/email/verify", {200, R"({"accessToken": "a", "refreshToken": "r", "expiresIn": 90.5,
                                               "user": {"id": "u7", "email": null}})"});
    done(account.verifyEmail(ann, "1"));
    EXPECT_EQ(account.tokens(), (AccountTokens{"a", "r", clock.now().addMSecs(90500), "u7", ann, "email"}));
    EXPECT_EQ(store.value, account.tokens());
    const AccountTokens before = *account.tokens();
    server.fail("auth/email/verify",
                {200, R"({"accessToken": "a", "refreshToken": "r", "expiresIn": "60"})"});
    EXPECT_EQ(errorOf(account.verifyEmail(ann, "1")), badResponse);
    // An empty access token is no bearer anyone can use, from a sign-in or a refresh.
    server.fail("auth/email/verify", {200, R"({"accessToken": "", "refreshToken": "r", "expiresIn": 60})"});
    EXPECT_EQ(errorOf(account.verifyEmail(ann, "1")), badResponse);
    server.fail("auth/refresh", {200, R"({"accessToken": "", "refreshToken": "r", "expiresIn": 60})"});
    EXPECT_EQ(errorOf(account.refreshNow()), badResponse);
    EXPECT_EQ(account.tokens(), before);
    EXPECT_EQ(store.value, before);

    // Loading hands out a copy: the store still holds the tokens for the next reader.
    AccountService restored(server.base(), store, network, defaults, clock);
    done(restored.restore());
    EXPECT_EQ(restored.tokens(), before);
    EXPECT_EQ(store.value, before);
}

TEST(AccountServiceRules, EmailShapeAndRandomText) {
    // White space is Unicode's (U+180E is a format character since Unicode 6.3), and a lone surrogate is a
    // character like any other.
    for (const QString& good : {u"a@b.cd"_s, u"名字@例子.中国"_s, u"a\u180Eb@c.de"_s, u"a@b.c\u180E"_s,
                                QChar(0xD800) + u"@b.cd"_s, u"a@b."_s + QChar(0xDC00) + QChar(0xDC00)})
        EXPECT_TRUE(AccountService::looksLikeEmail(good)) << good.toStdString();
    for (const QString bad : {"a b@c.de", "a@b@c.de", "a@bcd", "a@b.c", "a@b.cd\n", "a@b.\u00a0cd"})
        EXPECT_FALSE(AccountService::looksLikeEmail(bad)) << bad.toStdString();
    const QString text = AccountService::randomURLSafe(48).value_or("");
    EXPECT_EQ(text.size(), 64);
    EXPECT_FALSE(text.contains('+') || text.contains('/') || text.contains('='));
    const FailingRandom failing;
    EXPECT_EQ(AccountService::randomURLSafe(24), std::nullopt);
}

// Exactly 60 s left is still good; 59.9 s is not, and two callers then share one refresh, which keeps
// what its reply leaves out.
TEST_F(AccountServiceTest, RefreshesOnceWhenTheTokenIsAboutToExpire) {
    signIn();
    const QString first = account.tokens()->accessToken;
    leave(60.0);
    EXPECT_EQ(valueOf(account.validAccessToken()), first);
    EXPECT_EQ(account.tokens()->accessToken, first) << "handing the token out keeps it";
    leave(59.9);
    const TaskProbe<std::optional<QString>> a(account.validAccessToken()), b(account.validAccessToken());
    ASSERT_TRUE(a.wait() && b.wait());
    EXPECT_EQ(server.count("auth/refresh"), 1);
    EXPECT_NE(a.get(), first);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(store.value, account.tokens());

    // A refresh reply without a user keeps who the user is; the method never changes.
    const AccountTokens before = *account.tokens();
    server.fail("auth/refresh", {200, R"({"accessToken": "a2", "refreshToken": "r2", "expiresIn": 10,
                                          "user": {"id": ""}})"});
    done(account.refreshNow());
    EXPECT_EQ(account.tokens(),
              (AccountTokens{"a2", "r2", clock.now().addSecs(10), before.userID, ann, "email"}));
}

// A first 401 costs one refresh and one repeat of the same request; a second 401 is the caller's; a 403,
// or a refused refresh, is accountGone, and only the latter signs out; a refresh that cannot reach the
// server keeps the user signed in.
TEST_F(AccountServiceTest, AuthorisedRequestsRetryOnce) {
    signIn();
    server.fail("vault", {401});
    EXPECT_EQ(valueOf(account.vaultPut("b", "k", 0)),
              AccountService::VaultPut{AccountService::VaultPut::Saved{1}});
    ASSERT_EQ(server.count("vault"), 2);
    ASSERT_EQ(server.count("auth/refresh"), 1);
    const auto& [first, repeat] = std::pair(server.log[server.log.size() - 3], server.log.last());
    EXPECT_EQ(first.body, repeat.body);
    EXPECT_EQ(repeat.header("If-Match"), "0");
    EXPECT_EQ(repeat.header("Authorization"), "Bearer " + account.tokens()->accessToken.toUtf8());

    server.fail("vault", {401}, 2);
    EXPECT_EQ(errorOf(account.vaultGet()), signedOut);
    EXPECT_EQ(server.count("auth/refresh"), 2);
    server.fail("vault", {403});
    EXPECT_EQ(errorOf(account.vaultGet()), accountGone);
    EXPECT_EQ(server.count("auth/refresh"), 2);
    EXPECT_TRUE(account.signedIn());
    server.fail("vault", {401});
    server.fail("auth/refresh", {401});
    EXPECT_EQ(errorOf(account.vaultGet()), accountGone);
    expectSignedOut();

    signIn();
    leave(10);
    server.fail("auth/refresh", {.drop = true});
    EXPECT_EQ(valueOf(account.validAccessToken()), std::nullopt);
    EXPECT_TRUE(account.signedIn());
}

// Signing out needs no server; an expired token is refreshed before a deletion, which takes the vault with
// it, but a 401 on the deletion itself is not retried.
TEST_F(AccountServiceTest, SignOutOfflineAndDeleteWithAnExpiredToken) {
    signIn();
    server.fail("auth/logout", {.drop = true});
    done(account.signOut());
    expectSignedOut();

    signIn();
    using Put = AccountService::VaultPut;
    EXPECT_EQ(valueOf(account.vaultPut("b1", "k1", 0)), Put{Put::Saved{1}});
    leave(-5);
    done(account.deleteAccount());
    EXPECT_EQ(server.count("auth/refresh"), 1);
    expectSignedOut();
    signIn();
    EXPECT_EQ(valueOf(account.vaultGet()), std::nullopt); // the same address is a new account without a vault
    server.fail("account", {401});
    EXPECT_EQ(errorOf(account.deleteAccount()), signedOut);
    EXPECT_EQ(server.count("account"), 2);
    EXPECT_TRUE(account.signedIn());
}

// A 409 with a full record is a conflict, one with only a version is the server's own confirmation; a
// 200 carrying a record is a conflict too.
TEST_F(AccountServiceTest, VaultWriteRepliesAndRecords) {
    using Put = AccountService::VaultPut;
    signIn();
    server.fail("vault", {200, R"({"version": 4, "blob": "b", "wrappedKey": "k"})"});
    EXPECT_EQ(valueOf(account.vaultPut("b2", "k2", 1)), (Put{Put::Conflict{{4, "b", "k"}}}));
    server.fail("vault", {409, R"({"version": 4})"});
    EXPECT_EQ(valueOf(account.vaultPut("b2", "k2", 1)), Put{Put::Saved{4}});
    EXPECT_THROW(AccountService::parseVault(R"({"version": 1.5, "blob": "b", "wrappedKey": "k"})"),
                 AccountError);
    EXPECT_THROW(AccountService::readVaultPut(R"({"version": 3, "blob": null})"), AccountError);
}

// Nothing refreshed around a sign-out is published or stored, and everyone waiting for it fails: a refresh
// answered after the logout, one begun before the logout and answered during it, and one begun during it.
TEST_F(AccountServiceTest, ARefreshAnsweringAfterOrDuringTheLogoutPublishesNothing) {
    std::vector<bool> published;
    QObject::connect(&account, &AccountService::tokensChanged,
                     [&] { published.push_back(account.signedIn()); });
    for (const auto& [before, logoutMs] : {std::pair(true, 0), std::pair(true, 400), std::pair(false, 400)}) {
        SCOPED_TRACE(logoutMs + before);
        signIn();
        leave(1);
        published.clear();
        server.fail("auth/logout", {.delayMs = logoutMs});
        server.fail("auth/refresh", {.delayMs = logoutMs ? 100 : 300});
        std::optional<TaskProbe<std::optional<QString>>> refresh;
        std::optional<TaskProbe<AccountTokens>> joined;
        if (before) refresh.emplace(account.validAccessToken()), joined.emplace(account.refreshed());
        const TaskProbe<void> out(account.signOut());
        if (!before) refresh.emplace(account.validAccessToken());
        ASSERT_TRUE(refresh->wait() && out.wait() && (!joined || joined->wait()));
        EXPECT_EQ(refresh->get(), std::nullopt);
        EXPECT_EQ(joined ? accountError(joined->error()) : signedOut, signedOut);
        EXPECT_EQ(published, std::vector<bool>{false});
        expectSignedOut();
    }
}

// A token asked for while the sign-out is still removing the tokens (the logout offline, the store slow)
// starts no refresh: the user stays signed out, also once a refresh would have answered.
TEST_F(AccountServiceTest, NoRefreshStartsWhileTheSignOutRemovesTheTokens) {
    SlowRemoval slow(store, networkTimers, 0.05);
    AccountService leaving(server.base(), slow, network, defaults, clock);
    signIn();
    done(leaving.restore());
    leave(1);
    server.fail("auth/logout", {.drop = true});
    server.fail("auth/refresh", {.delayMs = 200});
    std::optional<TaskProbe<std::optional<QString>>> asked;
    slow.onRemove = [&] { asked.emplace(leaving.validAccessToken()); };
    const TaskProbe<void> out(leaving.signOut());
    ASSERT_TRUE(out.wait());
    EXPECT_FALSE(leaving.signedIn());
    EXPECT_EQ(store.value, std::nullopt);
    ASSERT_TRUE(asked && asked->wait());
    EXPECT_EQ(asked->get(), std::nullopt);
    EXPECT_FALSE(leaving.signedIn());
    EXPECT_EQ(store.value, std::nullopt);
    EXPECT_EQ(server.count("auth/refresh"), 0);
}

// The loopback server refuses what the real one refuses: a spent refresh token, an expired access token
// and an overwrite of the vault without the version it was read at.
TEST_F(AccountServiceTest, TheServerRefusesSpentExpiredAndUnconditionalRequests) {
    signIn();
    const AccountTokens first = *account.tokens();
    done(account.refreshNow());
    MemoryTokenStore spentStore(first);
    AccountService spent(server.base(), spentStore, network, defaults, clock);
    done(spent.restore());
    EXPECT_EQ(errorOf(spent.refreshNow()), accountGone); // the server answered 401

    // A copy that believes its token still good: the server's 401 costs a refresh.
    AccountTokens stale = *account.tokens();
    clock.advance(3601);
    stale.expiresAt = clock.now().addSecs(600);
    MemoryTokenStore staleStore(stale);
    AccountService late(server.base(), staleStore, network, defaults, clock);
    done(late.restore());
    const int refreshes = server.count("auth/refresh");
    EXPECT_EQ(valueOf(late.vaultGet()), std::nullopt);
    EXPECT_EQ(server.count("auth/refresh"), refreshes + 1);

    using Put = AccountService::VaultPut;
    EXPECT_EQ(valueOf(late.vaultPut("b1", "k1", 0)), Put{Put::Saved{1}});
    HttpRequest put("PUT", QUrl(server.base().toString() + "/vault"));
    put.setHeader("Authorization", "Bearer " + late.tokens()->accessToken.toUtf8());
    put.setHeader("Content-Type", "application/json");
    put.body = R"({"blob": "b2", "wrappedKey": "k2"})";
    const TaskProbe<HttpResponse> reply(network.send(put));
    ASSERT_TRUE(reply.wait(5000));
    EXPECT_EQ(reply.get().status, 428);
    EXPECT_EQ(valueOf(late.vaultGet()), (AccountService::VaultRecord{1, "b1", "k1"}));
}

// The relay's base wins; else an https address in the developer file, trimmed, with "v1" appended.
TEST(AccountServiceConfig, DefaultBaseFromTheRelayOrTheDeveloperFile) {
    QDir().mkpath(Paths::developerDir());
    const QString path = Paths::developerDir() + "/proxy_url";
    const auto baseWith = [&](const char* content) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) >= 0);
        file.close();
        return AccountService::defaultBase().value_or(QUrl()).toString();
    };
    EXPECT_EQ(baseWith(" https://acct.example/api \n"), "https://acct.example/api/v1");
    EXPECT_EQ(baseWith("http://acct.example"), "");
    const Relay relay("https://relay.example/x");
    EXPECT_EQ(baseWith("https://acct.example"), "https://relay.example/x/v1");
}
