#include "Modes/AppleTestMode.h"

#include "Account/AccountService.h"
#include "Account/MemoryTokenStore.h"
#include "Account/SignInCancelled.h"
#include "Account/WebSignIn.h"
#include "DesktopBrowserSheet.h"
#include "Modes/ReviewAccount.h"
#include "SingleInstance.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/HttpClient.h"
#include "Support/Scheduler.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

namespace mivora {

namespace {

QCoro::Task<int> signIn(AccountService& account, WebSignIn& web, QLabel& status, bool google) {
    QString line;
    bool passed = false;
    try {
        co_await (google ? web.google(account) : web.apple(account));
        passed = account.signedIn();
        line = account.tokens() ? account.tokens()->email.value_or(account.tokens()->userID) : QString();
    } catch (const SignInCancelled&) {
        line = QStringLiteral("已取消");
    } catch (...) {
        line = ReviewAccount::messageOf(std::current_exception());
    }
    ReviewAccount::report(passed ? QStringLiteral("已登录") : QStringLiteral("登录没有完成"), passed, line);
    status.setText((passed ? QStringLiteral("✓ 已登录：") : QStringLiteral("✗ ")) + line);
    if (account.signedIn()) co_await account.signOut();
    co_return passed ? 0 : 1;
}

} // namespace

int runAppleTestMode(bool google) {
    const QString provider = google ? QStringLiteral("Google") : QStringLiteral("Apple");
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Veskel · %1 登录测试").arg(provider));
    window.resize(420, 120);
    auto* status = new QLabel(QStringLiteral("正在打开 %1 登录…").arg(provider), &window);
    status->setGeometry(20, 40, 380, 40);
    window.show();
    window.activateWindow();

    SystemClock clock;
    SettingsDefaults defaults;
    QtScheduler scheduler;
    HttpClient network(scheduler);
    MemoryTokenStore tokens;
    AccountService account(AccountService::defaultBase(), tokens, network, defaults, clock);
    DesktopBrowserSheet sheet(&DesktopBrowserSheet::openInDefaultBrowser, provider);
    SingleInstance instance(SingleInstance::defaultPlaces());
    if (!instance.listen())
        ReviewAccount::report(QStringLiteral("接收登录回调"), false, instance.listenProblem());
    QObject::connect(&instance, &SingleInstance::urlReceived, &sheet, &DesktopBrowserSheet::deliver);
    WebSignIn web(sheet);
    const int exitCode = QCoro::waitFor(signIn(account, web, *status, google));
    QCoreApplication::sendPostedEvents();
    return exitCode;
}

} // namespace mivora
