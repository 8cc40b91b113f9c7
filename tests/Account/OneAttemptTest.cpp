#include "Account/AccountError.h"
#include "Account/AccountService.h"
#include "Account/MemoryTokenStore.h"
#include "Support/HttpClient.h"
#include "support/ClosingServer.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace mivora;
using namespace mivora::test;
using Kind = AccountError::Kind;

namespace {

// What a task ended with: empty when it succeeded, the account error's kind name otherwise.
template <typename T> QString failureOf(QCoro::Task<T> task) {
    const TaskProbe<T> probe(std::move(task));
    if (!probe.wait()) return QStringLiteral("still running");
    if (!probe.error()) return {};
    try {
        std::rethrow_exception(probe.error());
    } catch (const AccountError& e) {
        return e.kind() == Kind::offline ? QStringLiteral("offline") : e.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

} // namespace

// A reply lost with its connection is a failure of that one request, never a second send: a refresh token
// used twice is refused the second time, a one-time code sent twice reads as wrong. The server keeps a
// connection open for the client to reuse, which is where a client would otherwise send again.
TEST(OneAttemptTest, EveryAccountRequestIsSentOnceWhenTheConnectionClosesWithoutAReply) {
    ClosingServer server;
    FakeClock clock;
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    MemoryDefaults defaults;
    const AccountTokens signedIn{"access", "refresh", clock.now().addSecs(3600), "u1", std::nullopt, "email"};
    MemoryTokenStore store(signedIn);
    AccountService account(server.url(), store, network, defaults, clock);

    using Step = std::function<QString()>;
    const std::pair<QByteArray, Step> requests[] = {
        {"POST /v1/auth/email/start", [&] { return failureOf(account.startEmail("ann@example.com")); }},
        {"POST /v1/auth/email/verify",
         [&] { return failureOf(account.verifyEmail("ann@example.com", "1")); }},
        {"POST /v1/auth/google", [&] { return failureOf(account.signInGoogle("id-token")); }},
        {"POST /v1/auth/refresh", [&] { return failureOf(account.refreshNow()); }},
        {"GET /v1/vault", [&] { return failureOf(account.vaultGet()); }},
        {"PUT /v1/vault", [&] { return failureOf(account.vaultPut("b", "k", 0)); }},
        {"DELETE /v1/account", [&] { return failureOf(account.deleteAccount()); }},
        {"POST /v1/auth/logout", [&] { return failureOf(account.signOut()); }},
    };
    TaskProbe<void>(account.restore()).wait();
    for (const auto& [line, step] : requests) {
        ASSERT_TRUE(account.signedIn());
        // A kept-alive connection to the same server, as a warm-up leaves one.
        const auto head = network.start(HttpRequest("HEAD", server.url("/v1/models")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return head->isDone(); }));

        // Signing out succeeds here whatever the server does; every other request fails as offline.
        EXPECT_EQ(step().toStdString(), line.endsWith("logout") ? "" : "offline") << line.constData();
        // A second send would have come before the failure: the client gives up only when it ends too.
        EXPECT_EQ(server.count(line), 1) << line.constData();
    }
    EXPECT_FALSE(account.signedIn());
}
