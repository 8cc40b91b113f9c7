#include "Account/SignInCancelled.h"
#include "DesktopBrowserSheet.h"
#include "SchemeHandlerEntry.h"
#include "SingleInstance.h"
#include "support/TaskProbe.h"

#include <QProcess>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace mivora {
namespace {

// Waits with the event loop running: the program started here talks to this process's channel.
bool ended(QProcess& process) {
    return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000);
}

// The way back from the browser on a real desktop: the desktop opens the callback URL with the program named
// by the installed entry, and that start hands the URL to the running program's waiting sign-in.
TEST(SignInCallbackDesktop, TheDesktopsHandlerStartDeliversTheCallbackToTheRunningProgram) {
    ASSERT_TRUE(SchemeHandlerEntry::install(MIVORA_APP_PATH));
    SingleInstance running(SingleInstance::defaultPlaces());
    ASSERT_TRUE(running.listen());
    DesktopBrowserSheet sheet([](const QUrl&) { return true; }, "Apple");
    QObject::connect(&running, &SingleInstance::urlReceived, &sheet, &DesktopBrowserSheet::deliver);
    const test::TaskProbe<QUrl> waiting(sheet.open(QUrl("https://example.com/start"), "veskel"));

    QProcess desktop;
    desktop.start("gio", {"open", "veskel://auth?state=s1&code=4%2F0A%2Bb"});
    ASSERT_TRUE(ended(desktop));
    ASSERT_EQ(desktop.exitCode(), 0) << desktop.readAllStandardError().toStdString();
    ASSERT_TRUE(waiting.wait(15000));
    const QUrlQuery query(waiting.get());
    EXPECT_EQ(query.queryItemValue("state"), "s1");
    EXPECT_EQ(query.queryItemValue("code", QUrl::FullyDecoded), "4/0A+b");
    EXPECT_EQ(sheet.dialog(), nullptr);
}

} // namespace
} // namespace mivora
