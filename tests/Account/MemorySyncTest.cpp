#include "Account/MemorySync.h"
#include "Account/AccountError.h"
#include "Account/InMemoryKeyStore.h"
#include "Account/MemoryTokenStore.h"
#include "Account/Vault.h"
#include "Memories/MemoryStore.h"
#include "Support/AppLog.h"
#include "Support/HttpClient.h"
#include "support/Deferred.h"
#include "support/FakeAccountServer.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Kind = MemorySync::State::Kind;
using Fault = FakeAccountServer::Fault;

namespace {

const QString ann = QStringLiteral("ann@example.com"), bob = QStringLiteral("bob@example.com");

void finish(QCoro::Task<> task) {
    const TaskProbe<void> probe(std::move(task));
    ASSERT_TRUE(probe.wait());
    ASSERT_FALSE(probe.error()) << MemorySync::describe(probe.error()).toStdString();
}

QString errorText(QCoro::Task<> task) {
    const TaskProbe<void> probe(std::move(task));
    if (!probe.wait()) return QStringLiteral("still running");
    return probe.error() ? MemorySync::describe(probe.error()) : QString();
}

// A key store whose reads wait, while `held`, until the test lets them go (a secret store asking the user to
// unlock it).
struct HeldKeys final : MemoryKeyStore {
    InMemoryKeyStore keys;
    bool held = false;
    Deferred<bool> reads;

    QCoro::Task<bool> available() override {
        co_await hold();
        co_return co_await keys.available();
    }
    QCoro::Task<std::optional<SymmetricKey>> load(QString user) override {
        co_await hold();
        co_return co_await keys.load(user);
    }
    QCoro::Task<bool> save(SymmetricKey key, QString user) override { return keys.save(key, user); }
    QCoro::Task<> remove() override { return keys.remove(); }
    int asked = 0; // reads begun
    QCoro::Task<> hold() {
        ++asked;
        if (!held) co_return;
        auto read = reads.next();
        co_await read;
    }
};

QString logText() {
    AppLog::flush();
    QFile f(AppLog::file());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// One imitated device: its own account session, memories and key store over the shared server.
struct Device {
    Device(FakeAccountServer& server, FakeClock& clock, FakeScheduler& scheduler)
        : account(server.base(), tokens, network, defaults, clock), store(MemoryStore::scratch(clock)),
          engine(account, *store, keys, clock, scheduler) {}

    void signIn(const QString& email) {
        finish(account.startEmail(email));
        finish(account.verifyEmail(email, QStringLiteral("111111")));
    }
    Kind kind() const { return engine.state().kind; }
    QStringList titles() const {
        QStringList t = store->orderedTitles();
        t.sort();
        return t;
    }

    MemoryDefaults defaults;
    MemoryTokenStore tokens;
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    AccountService account;
    std::unique_ptr<MemoryStore> store;
    InMemoryKeyStore keys;
    MemorySync engine;
};

class MemorySyncTest : public ::testing::Test {
protected:
    MemorySyncTest() {
        server.addReviewAccount(ann, QStringLiteral("111111"));
        server.addReviewAccount(bob, QStringLiteral("111111"));
        a.signIn(ann);
    }

    // A made A's vault and confirmed its code; the code is returned.
    QString createVault() {
        finish(a.engine.sync());
        EXPECT_EQ(a.kind(), Kind::showRecoveryCode);
        const QString code = a.engine.state().text;
        finish(a.engine.confirmRecoveryCodeSaved());
        EXPECT_EQ(a.kind(), Kind::synced);
        return code;
    }
    int puts() const {
        return int(std::count_if(server.log.begin(), server.log.end(),
                                 [](auto& r) { return r.route == "vault" && r.method == "PUT"; }));
    }
    int gets() const { return server.count("vault") - puts(); }
    // A 409 carrying what the server holds now, with the payload swapped for `payload`.
    Fault conflict(const MemoryPayload& payload, const SymmetricKey& key, qint64 version) {
        const QString wrapped = Vault::wrap(key, RecoveryCode::generate());
        const QJsonObject record{
            {"version", version}, {"blob", Vault::encrypt(payload, key)}, {"wrappedKey", wrapped}};
        return Fault{.status = 409, .body = QJsonDocument(record).toJson(), .method = "PUT"};
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeAccountServer server{clock};
    Device a{server, clock, scheduler};
};

TEST_F(MemorySyncTest, GateStopsSignedOutAndUnavailable) {
    Device out(server, clock, scheduler);
    out.engine.preview(MemorySync::State::showRecoveryCode("X"));
    finish(out.engine.sync());
    EXPECT_EQ(out.kind(), Kind::off);

    a.keys.isAvailable = false;
    finish(a.engine.sync());
    EXPECT_EQ(a.kind(), Kind::unavailable);
    EXPECT_EQ(server.count("vault"), 0);
}

TEST_F(MemorySyncTest, ABurstOfChangesGivesOnePassThreeSecondsAfterTheLastAndResetCancelsIt) {
    for (int i = 0; i < 5; ++i) {
        a.engine.scheduleSoon();
        scheduler.advance(0.25);
    }
    scheduler.advance(2.7); // 2.95 s after the last call
    QTest::qWait(50);
    EXPECT_EQ(server.count("vault"), 0);
    scheduler.advance(0.05);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.kind() == Kind::showRecoveryCode; }));
    EXPECT_EQ(server.count("vault"), 1);

    a.engine.reset();
    a.engine.scheduleSoon();
    scheduler.advance(1);
    a.engine.reset();
    scheduler.advance(5);
    QTest::qWait(50);
    EXPECT_EQ(server.count("vault"), 1);
}

TEST_F(MemorySyncTest, TheCodeOnScreenIsTheOneTheVaultGets) {
    a.store->add("地址", "北京");
    server.fail("vault", Fault{.delayMs = 300, .method = "GET"});
    const TaskProbe<void> first(a.engine.sync());
    finish(a.engine.sync()); // asked for during the pass: the code it shows stops the next one
    ASSERT_TRUE(first.wait());
    const QString shown = a.engine.state().text;
    ASSERT_EQ(shown.size(), 30);
    EXPECT_EQ(gets(), 1);

    // Offline: the same pair stays, a pass in between shows it again, and the second try uploads it.
    server.fail("vault", Fault{.drop = true});
    finish(a.engine.confirmRecoveryCodeSaved());
    EXPECT_EQ(a.engine.state(),
              MemorySync::State::failed(AccountError(AccountError::Kind::offline).message()));
    finish(a.engine.sync());
    EXPECT_EQ(a.engine.state(), MemorySync::State::showRecoveryCode(shown));

    // A pass asked for while the confirmation waits runs only after it, and finds the vault.
    server.log.clear();
    server.fail("vault", Fault{.delayMs = 300, .method = "PUT"});
    const TaskProbe<void> confirm(a.engine.confirmRecoveryCodeSaved());
    finish(a.engine.sync());
    EXPECT_EQ(gets(), 0);
    ASSERT_TRUE(confirm.wait());
    EXPECT_EQ(a.kind(), Kind::synced);
    EXPECT_EQ(gets(), 1);

    Device b(server, clock, scheduler);
    b.signIn(ann);
    finish(b.engine.sync());
    EXPECT_EQ(b.kind(), Kind::needsRecoveryCode);
    finish(b.engine.enterRecoveryCode(shown));
    EXPECT_EQ(b.kind(), Kind::synced);
    EXPECT_EQ(b.titles(), QStringList{"地址"});
}

TEST_F(MemorySyncTest, ThreeConflictsFailAfterThreePutsAndOneConflictIsMergedAndRetried) {
    createVault();
    const SymmetricKey key = *a.keys.key;
    const Memory other{.title = "电话", .value = "123"};
    a.store->add("公司", "某某");
    server.log.clear();
    server.fail("vault", conflict({1, {other}, {}}, key, 1), 3);
    finish(a.engine.sync());
    EXPECT_EQ(puts(), 3);
    EXPECT_EQ(a.engine.state(), MemorySync::State::failed(AccountError::http(409).message()));

    server.log.clear();
    const Fault once = conflict({1, {other}, {}}, key, 1);
    server.fail("vault", once);
    finish(a.engine.sync());
    ASSERT_EQ(puts(), 2);
    const auto& second = server.log.last();
    EXPECT_EQ(second.header("If-Match"), "1");
    EXPECT_EQ(QJsonDocument::fromJson(second.body)["wrappedKey"],
              QJsonDocument::fromJson(once.body)["wrappedKey"]);
    EXPECT_EQ(a.kind(), Kind::synced);
    EXPECT_EQ(a.titles(), (QStringList{"公司", "电话"}));
}

TEST_F(MemorySyncTest, AWaitingDeviceStaysWaitingOfflineAndTakesATypedCode) {
    const QString code = createVault();
    Device b(server, clock, scheduler);
    b.signIn(ann);
    finish(b.engine.sync());
    ASSERT_EQ(b.kind(), Kind::needsRecoveryCode);
    server.fail("vault", Fault{.drop = true});
    finish(b.engine.sync());
    EXPECT_EQ(b.kind(), Kind::needsRecoveryCode);

    server.log.clear();
    EXPECT_EQ(errorText(b.engine.enterRecoveryCode(code.left(28))),
              MemorySync::RecoveryCodeError(MemorySync::RecoveryCodeError::Kind::format).message());
    EXPECT_EQ(server.log.size(), 0);

    EXPECT_EQ(errorText(b.engine.enterRecoveryCode(RecoveryCode::generate().display())), // another vault's
              MemorySync::RecoveryCodeError(MemorySync::RecoveryCodeError::Kind::wrong).message());

    // A key store that refuses the right key says so, not that the server's answer is unreadable.
    struct Refusing final : MemoryKeyStore {
        QCoro::Task<bool> available() override { co_return true; }
        QCoro::Task<std::optional<SymmetricKey>> load(QString) override { co_return std::nullopt; }
        QCoro::Task<bool> save(SymmetricKey, QString) override { co_return false; }
        QCoro::Task<> remove() override { co_return; }
    } refusing;
    MemorySync engine(b.account, *b.store, refusing, clock, scheduler);
    EXPECT_EQ(errorText(engine.enterRecoveryCode(code)),
              MemorySync::RecoveryCodeError(MemorySync::RecoveryCodeError::Kind::notStored).message());

    QString typed = code.toLower().remove('-');
    typed.replace('0', 'o').insert(5, "  ");
    finish(b.engine.enterRecoveryCode(typed));
    EXPECT_EQ(b.kind(), Kind::synced);
    EXPECT_EQ(*b.keys.key, *a.keys.key);
}

TEST_F(MemorySyncTest, WorkInFlightAfterResetOrAnotherSignInTouchesNothing) {
    // Another user signing in while a code is on screen takes the code, the key behind it and the state away.
    finish(a.engine.sync());
    const QString annsCode = a.engine.state().text;
    a.signIn(bob);
    EXPECT_EQ(a.kind(), Kind::off);
    finish(a.engine.confirmRecoveryCodeSaved());
    EXPECT_EQ(puts(), 0);
    finish(a.engine.sync());
    ASSERT_EQ(a.kind(), Kind::showRecoveryCode);
    EXPECT_NE(a.engine.state().text, annsCode);

    a.signIn(ann);
    createVault();
    a.store->add("地址", "北京");
    server.log.clear();
    server.fail("vault", Fault{.delayMs = 300, .method = "GET"});
    const TaskProbe<void> pass(a.engine.sync());
    a.engine.reset();
    ASSERT_TRUE(pass.wait());
    EXPECT_EQ(a.kind(), Kind::off);
    EXPECT_EQ(puts(), 0);

    // Bob signs in on A while Ann's pass waits: Ann's vault must not reach Bob's account.
    server.fail("vault", Fault{.delayMs = 300, .method = "GET"});
    const TaskProbe<void> again(a.engine.sync());
    a.signIn(bob);
    ASSERT_TRUE(again.wait());
    EXPECT_EQ(puts(), 0);
    finish(a.engine.sync());
    EXPECT_EQ(a.kind(), Kind::showRecoveryCode);

    // Bob's confirmation answered after a reset stores no key and shows nothing.
    const std::optional<SymmetricKey> annsKey = a.keys.key;
    server.fail("vault", Fault{.delayMs = 300, .method = "PUT"});
    const TaskProbe<void> confirm(a.engine.confirmRecoveryCodeSaved());
    a.engine.reset();
    ASSERT_TRUE(confirm.wait());
    EXPECT_EQ(a.kind(), Kind::off);
    EXPECT_EQ(a.keys.key, annsKey);
}

// A pass asked for while another runs, then a reset: the reset drops that request too, so no pass runs after
// it.
TEST_F(MemorySyncTest, ASyncAskedBeforeAResetRunsNoPassAfterIt) {
    createVault();
    server.log.clear();
    server.fail("vault", Fault{.delayMs = 300, .method = "GET"});
    const TaskProbe<void> pass(a.engine.sync());
    finish(a.engine.sync()); // asked for during the pass: one more would follow it
    a.engine.reset();
    ASSERT_TRUE(pass.wait());
    EXPECT_EQ(gets(), 1);
    EXPECT_EQ(a.kind(), Kind::off);
}

// A pass of a session whose account another request found gone fails late, after a new session signed in
// and out again: its failure belongs to no session on screen and is never shown.
TEST_F(MemorySyncTest, ALateFailureOfALostSessionIsNotShownAfterANewSession) {
    createVault();
    server.log.clear();
    server.fail("vault", Fault{.status = 500, .delayMs = 2000, .method = "GET"});
    const TaskProbe<void> pass(a.engine.sync());
    ASSERT_TRUE(QTest::qWaitFor([&] { return gets() == 1; }));
    server.fail("vault", Fault{.status = 401, .method = "GET"});
    server.fail("auth/refresh", Fault{.status = 401});
    const TaskProbe<std::optional<AccountService::VaultRecord>> lost(a.account.vaultGet());
    ASSERT_TRUE(lost.wait());
    ASSERT_FALSE(a.account.signedIn());
    a.signIn(ann);
    EXPECT_EQ(a.kind(), Kind::off);
    finish(a.account.signOut());
    ASSERT_FALSE(pass.done()) << "the lost session's pass must answer after the new session";
    ASSERT_TRUE(pass.wait());
    EXPECT_EQ(a.kind(), Kind::off);
}

// The server refusing the account inside a pass's own request signs it out, as a reset would; the pass
// still reports its failure, also when the shell resets the engine on that sign-out.
TEST_F(MemorySyncTest, AnAccountLostDuringAPassEndsFailedAndLogged) {
    createVault();
    QObject::connect(&a.account, &AccountService::tokensChanged, &a.engine, [&] {
        if (!a.account.signedIn()) a.engine.reset();
    });
    server.fail("vault", {401});
    server.fail("auth/refresh", {401});
    finish(a.engine.sync());
    const QString reason = AccountError(AccountError::Kind::accountGone).message();
    EXPECT_EQ(a.engine.state(), MemorySync::State::failed(reason));
    EXPECT_TRUE(logText().contains(QStringLiteral("同步失败：") + reason));
    EXPECT_FALSE(a.account.signedIn());

    // Lost to an expiring token's refresh before the request went out: the same.
    a.signIn(ann);
    clock.advance(3590);
    server.fail("auth/refresh", {401});
    finish(a.engine.sync());
    EXPECT_EQ(a.kind(), Kind::failed);
    EXPECT_EQ(gets(), 2);
}

// A reset while the secret store is slow to answer, or while a write is on its way, leaves the state, the
// store and the server as the reset left them, also when the write meets a conflict.
TEST_F(MemorySyncTest, AResetDuringAKeyReadOrAnUploadTouchesNothing) {
    HeldKeys held;
    MemorySync engine(a.account, *a.store, held, clock, scheduler);
    finish(engine.sync());
    finish(engine.confirmRecoveryCodeSaved());
    ASSERT_EQ(engine.state().kind, Kind::synced);
    a.store->add("地址", "北京");
    server.log.clear();
    held.held = true;
    for (int reads = 1; reads <= 2; ++reads) { // held while the gate asks, then while the pass loads the key
        held.asked = 0;
        const TaskProbe<void> pass(engine.sync());
        if (reads == 2) held.reads.settle(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return held.asked == reads; }));
        engine.reset();
        held.reads.settleAll(true);
        ASSERT_TRUE(pass.wait());
        EXPECT_EQ(engine.state().kind, Kind::off) << reads;
        EXPECT_EQ(gets(), reads - 1) << reads;
        EXPECT_EQ(puts(), 0) << reads;
    }
    held.held = false;

    const Memory other{.title = "电话", .value = "123"};
    Fault conflicting = conflict({1, {other}, {}}, *held.keys.key, 1);
    conflicting.delayMs = 300;
    for (const Fault& reply : {Fault{.delayMs = 300, .method = "PUT"}, conflicting}) {
        a.store->add(QString::number(puts()), "新");
        const QStringList mine = a.titles();
        server.fail("vault", reply);
        const int sent = puts();
        const TaskProbe<void> pass(engine.sync());
        ASSERT_TRUE(QTest::qWaitFor([&] { return puts() > sent; }));
        engine.reset();
        ASSERT_TRUE(pass.wait());
        EXPECT_EQ(engine.state().kind, Kind::off) << reply.status;
        EXPECT_EQ(puts(), sent + 1) << reply.status;
        EXPECT_EQ(a.titles(), mine) << reply.status;
    }
}

// Signing out stops the account's sync at once: a pass answered while the logout is on its way writes
// nothing, and no pass starts meanwhile.
TEST_F(MemorySyncTest, APassAnsweredDuringTheLogoutTouchesNothing) {
    createVault();
    a.store->add("地址", "北京");
    server.log.clear();
    server.fail("vault", Fault{.delayMs = 100, .method = "GET"});
    server.fail("auth/logout", Fault{.delayMs = 400});
    const TaskProbe<void> pass(a.engine.sync());
    const TaskProbe<void> out(a.account.signOut());
    finish(a.engine.sync());
    EXPECT_EQ(a.kind(), Kind::off);
    ASSERT_TRUE(pass.wait() && out.wait());
    EXPECT_EQ(gets(), 1);
    EXPECT_EQ(puts(), 0);
    EXPECT_EQ(a.kind(), Kind::off);
}

// Two first devices of one account: B makes the vault while A shows its code. A's confirmation meets B's
// vault; A's key store already opens it (one secret store for both), so A joins at once, no code to type.
TEST_F(MemorySyncTest, AConfirmationThatMeetsAVaultItsKeysOpenJoinsItAtOnce) {
    a.store->add("地址", "北京");
    finish(a.engine.sync());
    ASSERT_EQ(a.kind(), Kind::showRecoveryCode);
    Device b(server, clock, scheduler);
    b.signIn(ann);
    b.store->add("电话", "123");
    finish(b.engine.sync());
    finish(b.engine.confirmRecoveryCodeSaved());
    ASSERT_EQ(b.kind(), Kind::synced);

    a.keys.key = b.keys.key;
    a.keys.userId = b.keys.userId;
    finish(a.engine.confirmRecoveryCodeSaved());
    EXPECT_EQ(a.kind(), Kind::synced);
    EXPECT_EQ(a.titles(), (QStringList{"地址", "电话"}));
    finish(b.engine.sync());
    EXPECT_EQ(b.titles(), (QStringList{"地址", "电话"}));
}

// Requests during a pass make exactly one more; times finer than the wire's seconds upload once.
TEST_F(MemorySyncTest, RequestsDuringAPassMakeOneMoreAndSubSecondTimesUploadOnce) {
    createVault();
    server.log.clear();
    server.fail("vault", Fault{.delayMs = 300, .method = "GET"});
    const TaskProbe<void> first(a.engine.sync());
    for (int i = 0; i < 3; ++i)
        finish(a.engine.sync());
    ASSERT_TRUE(first.wait());
    EXPECT_EQ(gets(), 2);
    EXPECT_EQ(a.kind(), Kind::synced);

    Memory m{.title = "地址", .value = "北京"};
    m.savedAt = clock.now().addMSecs(700);
    m.lastUsedAt = clock.now().addMSecs(300);
    a.store->upsert(m);
    server.log.clear();
    finish(a.engine.sync());
    finish(a.engine.sync());
    EXPECT_EQ(puts(), 1);
}

// Two devices of one account end to end, with a real conflict: A uploads between B's read and B's write.
TEST_F(MemorySyncTest, TwoDevicesEditDeleteMeetAConflictAndConverge) {
    a.store->add("地址", "北京");
    a.store->add("电话", "123");
    const QString code = createVault();
    Device b(server, clock, scheduler);
    b.signIn(ann);
    finish(b.engine.sync());
    finish(b.engine.enterRecoveryCode(code));
    ASSERT_EQ(b.titles(), (QStringList{"地址", "电话"}));

    const auto byTitle = [](MemoryStore& store, const QString& title) {
        return *std::find_if(store.memories().begin(), store.memories().end(),
                             [&](const Memory& m) { return m.title == title; });
    };
    clock.advance(5);
    Memory older = byTitle(*b.store, "地址");
    older.value = "上海";
    b.store->upsert(older);
    clock.advance(5);
    Memory newer = byTitle(*a.store, "地址");
    newer.value = "深圳";
    a.store->upsert(newer);
    a.store->remove("电话");
    b.store->add("公司", "某某");

    server.log.clear();
    server.fail("vault", Fault{.delayMs = 500, .method = "GET"});
    const TaskProbe<void> bPass(b.engine.sync());
    ASSERT_TRUE(QTest::qWaitFor([&] { return gets() == 1; }));
    finish(a.engine.sync()); // while B's read is on its way back
    ASSERT_TRUE(bPass.wait());
    EXPECT_EQ(puts(), 3); // A's, B's refused one, B's retry
    finish(a.engine.sync());

    EXPECT_EQ(a.titles(), (QStringList{"公司", "地址"}));
    EXPECT_EQ(byTitle(*b.store, "地址").value, "深圳");
    EXPECT_TRUE(MemorySync::same({1, a.store->memories(), a.store->deleted()},
                                 {1, b.store->memories(), b.store->deleted()}));
    server.log.clear();
    finish(a.engine.sync());
    finish(b.engine.sync());
    EXPECT_EQ(puts(), 0);
}

TEST(MemorySyncSame, IgnoresOrderAndVersionButNotATombstoneSecond) {
    const QDateTime t(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);
    const Memory x{.id = "x", .savedAt = t}, y{.id = "y", .savedAt = t};
    EXPECT_TRUE(MemorySync::same({1, {x, y}, {{"z", t}}}, {2, {y, x}, {{"z", t}}}));
    EXPECT_FALSE(MemorySync::same({1, {x, y}, {{"z", t}}}, {1, {x, y}, {{"z", t.addSecs(1)}}}));
}

} // namespace
