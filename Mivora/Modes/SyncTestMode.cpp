#include "Modes/SyncTestMode.h"

#include "Account/AccountService.h"
#include "Account/InMemoryKeyStore.h"
#include "Account/MemorySync.h"
#include "Account/MemoryTokenStore.h"
#include "Memories/MemoryStore.h"
#include "Modes/ReviewAccount.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/HttpClient.h"
#include "Support/Scheduler.h"

#include <QCoreApplication>

namespace mivora {

namespace {

using Kind = MemorySync::State::Kind;
using ReviewAccount::report;

// One imitated device.
struct Device {
    Device(Defaults& defaults, Clock& clock, Scheduler& scheduler)
        : network(scheduler), account(AccountService::defaultBase(), tokens, network, defaults, clock),
          store(MemoryStore::scratch(clock)), engine(account, *store, keys, clock, scheduler) {}

    MemoryPayload payload() const { return {1, store->memories(), store->deleted()}; }
    // The state's name and text, for a failed step's line.
    QString described() const {
        static const char* const names[] = {"已同步", "显示恢复码", "失败",      "未开启",
                                            "不可用", "同步中",     "需要恢复码"};
        const MemorySync::State& s = engine.state();
        return s.text.isEmpty() ? QString::fromUtf8(names[int(s.kind)]) : s.text;
    }

    MemoryTokenStore tokens;
    HttpClient network;
    AccountService account;
    std::unique_ptr<MemoryStore> store;
    InMemoryKeyStore keys;
    MemorySync engine;
};

QCoro::Task<bool> steps(Device& a, Device& b) {
    if (!a.account.configured())
        co_return report(QStringLiteral("登录"), false, QStringLiteral("这个版本还没接上账号服务。"));
    if (!co_await ReviewAccount::signIn(a.account, QStringLiteral("设备 A 登录"))) co_return false;
    if (!co_await ReviewAccount::signIn(b.account, QStringLiteral("设备 B 登录"))) co_return false;

    a.store->add(QStringLiteral("同步测试·A"), QStringLiteral("来自设备 A"));
    co_await a.engine.sync();
    if (!report(QStringLiteral("设备 A 生成恢复码"), a.engine.state().kind == Kind::showRecoveryCode,
                a.described()))
        co_return false;
    const QString code = a.engine.state().text;
    co_await a.engine.confirmRecoveryCodeSaved();
    if (!report(QStringLiteral("设备 A 确认恢复码，开启同步"), a.engine.state().kind == Kind::synced,
                a.described()))
        co_return false;

    co_await b.engine.sync();
    bool joined = b.engine.state().kind == Kind::needsRecoveryCode;
    try {
        if (joined) co_await b.engine.enterRecoveryCode(code);
        joined = b.engine.state().kind == Kind::synced;
    } catch (...) {
        co_return report(QStringLiteral("设备 B 输入恢复码加入"), false,
                         ReviewAccount::messageOf(std::current_exception()));
    }
    if (!report(QStringLiteral("设备 B 输入恢复码加入"), joined && b.store->count() == 1, b.described()))
        co_return false;

    b.store->add(QStringLiteral("同步测试·B"), QStringLiteral("来自设备 B"));
    a.store->remove(QStringLiteral("同步测试·A"));
    a.store->add(QStringLiteral("同步测试·A2"), QStringLiteral("设备 A 改过"));
    co_await a.engine.sync();
    co_await b.engine.sync();
    co_await a.engine.sync();
    const bool edited = a.engine.state().kind == Kind::synced && b.engine.state().kind == Kind::synced;
    if (!report(QStringLiteral("两边各改一次再同步"), edited,
                edited ? QString() : a.described() + " / " + b.described()))
        co_return false;
    co_return report(QStringLiteral("两边记忆一致"),
                     MemorySync::same(a.payload(), b.payload()) && a.store->count() == 2,
                     QString::number(a.store->count()) + " / " + QString::number(b.store->count()) +
                         QStringLiteral(" 条"));
}

QCoro::Task<int> run(Device& a, Device& b) {
    const bool passed = co_await steps(a, b);
    for (Device* d : {&a, &b})
        if (d->account.signedIn()) co_await d->account.signOut();
    co_return passed ? 0 : 1;
}

} // namespace

int runSyncTestMode() {
    // Locals, so they go while the application object still exists.
    SystemClock clock;
    QtScheduler scheduler;
    SettingsDefaults defaults;
    Device a(defaults, clock, scheduler);
    Device b(defaults, clock, scheduler);
    const int status = QCoro::waitFor(run(a, b));
    QCoreApplication::sendPostedEvents();
    return status;
}

} // namespace mivora
