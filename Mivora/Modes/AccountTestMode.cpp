#include "Modes/AccountTestMode.h"

#include "Account/AccountService.h"
#include "Account/MemoryTokenStore.h"
#include "Audio/FileSource.h"
#include "Audio/TakeRecordings.h"
#include "Cloud/CloudRecognizer.h"
#include "Modes/ReviewAccount.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/HttpClient.h"
#include "Support/Scheduler.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>

namespace mivora {

namespace {

struct Run {
    AccountService& account;
    Clock& clock;
    Scheduler& scheduler;
    Defaults& defaults;
    HttpClient& network;
    QString audioFile;
};

using ReviewAccount::messageOf;
using ReviewAccount::report;

QCoro::Task<bool> refresh(AccountService& account) {
    const QString before = account.tokens() ? account.tokens()->accessToken : QString();
    try {
        co_await account.refreshNow();
        co_return report(QStringLiteral("刷新令牌"),
                         account.tokens() && account.tokens()->accessToken != before);
    } catch (...) {
        co_return report(QStringLiteral("刷新令牌"), false, messageOf(std::current_exception()));
    }
}

QCoro::Task<bool> recognize(Run run) {
    const auto recognizer = CloudRecognizer::viaProxy(*run.account.base(), run.account.recognizerToken(),
                                                      run.network, run.defaults, run.scheduler, run.clock);
    try {
        const AudioClip clip = FileSource::load(run.audioFile);
        const QStringList vocabulary;
        const QString text = co_await recognizer->recognize(clip, vocabulary);
        co_return report(QStringLiteral("识别"), !text.isEmpty(), text);
    } catch (...) {
        co_return report(QStringLiteral("识别"), false, messageOf(std::current_exception()));
    }
}

QCoro::Task<int> runSteps(Run run) {
    if (!run.account.configured()) {
        report(QStringLiteral("登录"), false, QStringLiteral("这个版本还没接上账号服务。"));
        co_return 1;
    }
    if (!co_await ReviewAccount::signIn(run.account, QStringLiteral("登录"))) co_return 1;
    const std::optional<QString> token = co_await run.account.validAccessToken();
    bool passed = report(QStringLiteral("有效令牌"), token.has_value());
    passed = co_await refresh(run.account) && passed;
    passed = co_await recognize(run) && passed;
    co_await run.account.signOut();
    passed = report(QStringLiteral("退出登录"), !run.account.signedIn()) && passed;
    co_return passed ? 0 : 1;
}

} // namespace

int runAccountTestMode(const QString& audioFile) {
    // Its recognition step writes a take's recording: held as `-recognize` holds it, so that a start beside
    // it leaves the recording alone; it removes nothing itself (its input may be named like a recording).
    const TakeRecordings recordings(TakeRecordings::defaultLock(), false);
    // Locals, so they go while the application object still exists.
    SystemClock clock;
    QtScheduler scheduler;
    SettingsDefaults defaults;
    HttpClient network(scheduler);
    MemoryTokenStore store;
    AccountService account(AccountService::defaultBase(), store, network, defaults, clock);
    const int status = QCoro::waitFor(runSteps({account, clock, scheduler, defaults, network, audioFile}));
    QCoreApplication::sendPostedEvents();
    return status;
}

} // namespace mivora
