#include "Account/AccountError.h"
#include "Account/SignInCancelled.h"
#include "DesktopBrowserSheet.h"
#include "MivoraUI/Account/SignInWaitDialog.h"
#include "SchemeHandlerEntry.h"
#include "support/CapturedMessages.h"
#include "support/TaskProbe.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

QString outcome(const TaskProbe<QUrl>& probe) {
    if (!probe.wait()) return "still running";
    try {
        return probe.get().toString();
    } catch (const SignInCancelled&) {
        return "cancelled";
    } catch (const UserError& e) {
        return e.message();
    }
}

} // namespace

// That the desktop finds the entry is the desktop test's; here: the quoting and the user's list.
TEST(SchemeHandlerEntry, QuotesTheProgramAndKeepsTheUsersDefaults) {
    ASSERT_TRUE(SchemeHandlerEntry::install("/opt/My Apps/mi$vora"));
    QFile file(SchemeHandlerEntry::path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/My Apps/mi\\\\$vora\" %u\n")) << entry.toStdString();

    // The defaults join the user's own list without disturbing it.
    QFile list(SchemeHandlerEntry::defaultsPath());
    ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
    list.write("[Added Associations]\ntext/plain=editor.desktop;\n[Default Applications]\n"
               "x-scheme-handler/veskel=old.desktop\ntext/html=browser.desktop\n");
    list.close();
    EXPECT_TRUE(SchemeHandlerEntry::install("/usr/bin/mivora"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray defaults = list.readAll();
    EXPECT_TRUE(
        defaults.startsWith("[Added Associations]\ntext/plain=editor.desktop;\n[Default Applications]\n"
                            "x-scheme-handler/veskel=mivora-signin.desktop\ntext/html=browser.desktop\n"
                            "x-scheme-handler/com.googleusercontent.apps."))
        << defaults.toStdString();
    EXPECT_EQ(defaults.count("\n"), 6);
    QFile::remove(SchemeHandlerEntry::path());

    EXPECT_FALSE(SchemeHandlerEntry::callbackIn({"mivora", "https://example.com/?state=s"}));
    EXPECT_FALSE(SchemeHandlerEntry::callbackIn({"mivora", "-synctest"}));
    EXPECT_FALSE(SchemeHandlerEntry::callbackIn({"mivora", "veskel://auth", "-synctest"}));
}

TEST(DesktopBrowserSheet, ABrowserThatDoesNotOpenIsUnavailableAndClosingTheWaitCancels) {
    QList<QUrl> opened;
    bool browser = false;
    DesktopBrowserSheet sheet([&](const QUrl& url) { return opened.append(url), browser; }, "Apple");
    EXPECT_EQ(
        outcome(TaskProbe<QUrl>(sheet.open(QUrl("https://example.com/start"), "veskel"))),
        "打不开 Apple 登录页：这台电脑没有能打开网页的默认浏览器。设好默认浏览器再试，或者先用邮箱登录。");

    browser = true;
    const TaskProbe<QUrl> closed(sheet.open(QUrl("https://example.com/start"), "veskel"));
    ASSERT_TRUE(sheet.dialog());
    sheet.dialog()->reject();
    EXPECT_EQ(outcome(closed), "cancelled");
    EXPECT_EQ(opened.size(), 2);
}

// Nothing opens the start page on the offscreen desktop, and Qt says so naming the whole address: none of
// it, the sign-in's state and challenge, reaches stderr; the sheet says in its own words what happened.
TEST(DesktopBrowserSheet, AStartPageNothingOpensIsNeverPrinted) {
    const QUrl start("https://appleid.example/auth?state=st4te&code_challenge=ch4llenge");
    const CapturedMessages messages;
    EXPECT_FALSE(DesktopBrowserSheet::openInDefaultBrowser(start));
    qWarning("after the call");
    EXPECT_EQ(messages.said(), QStringList{"after the call"}) << messages.said().join('\n').toStdString();
}
