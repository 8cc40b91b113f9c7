#include "Account/AccountError.h"
#include "Account/SignInCancelled.h"
#include "DesktopBrowserSheet.h"
#include "MivoraUI/SignInWaitDialog.h"
#include "SchemeHandlerEntry.h"
#include "SingleInstance.h"
#include "support/TaskProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace mivora;
using namespace mivora::test;

namespace {

QString outcome(const TaskProbe<QUrl>& probe) {
    if (!probe.wait()) return "still running";
    try {
        return probe.get().toString();
    } catch (const SignInCancelled&) {
        return "cancelled";
    } catch (const AccountError& e) {
        return e.message();
    }
}

} // namespace

TEST(SchemeHandlerEntry, ClaimsBothCallbackSchemesOnceWithTheProgramQuoted) {
    ASSERT_TRUE(SchemeHandlerEntry::install("/opt/My Apps/mi$vora"));
    QFile file(SchemeHandlerEntry::path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/My Apps/mi\\\\$vora\" %u\n")) << entry.toStdString();
    EXPECT_TRUE(
        entry.contains("\nMimeType=x-scheme-handler/veskel;x-scheme-handler/com.googleusercontent.apps."));

    // Nothing is written again when it holds the entry already (a write replaces the file).
    const auto inode = [] {
        struct stat info {};
        return ::stat(QFile::encodeName(SchemeHandlerEntry::path()).constData(), &info) == 0 ? info.st_ino
                                                                                             : 0;
    };
    const auto before = inode();
    EXPECT_TRUE(SchemeHandlerEntry::install("/opt/My Apps/mi$vora"));
    EXPECT_EQ(inode(), before);
    EXPECT_TRUE(SchemeHandlerEntry::install("/usr/bin/mivora"));
    EXPECT_NE(inode(), before);

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

    EXPECT_EQ(SchemeHandlerEntry::callbackIn({"mivora", "veskel://auth?state=s&code=c"}),
              QUrl("veskel://auth?state=s&code=c"));
    EXPECT_FALSE(SchemeHandlerEntry::callbackIn({"mivora", "https://example.com/?state=s"}));
    EXPECT_FALSE(SchemeHandlerEntry::callbackIn({"mivora", "-synctest"}));
    EXPECT_FALSE(SchemeHandlerEntry::callbackIn({"mivora", "veskel://auth", "-synctest"}));
}

TEST(SingleInstance, ALaterStartHandsTheRunningOneACallbackUrl) {
    QTemporaryDir root;
    const QString path = root.path() + "/mivora.socket";
    SingleInstance running(path);
    ASSERT_TRUE(running.listen());
    QSignalSpy urls(&running, &SingleInstance::urlReceived);
    QSignalSpy reopened(&running, &SingleInstance::reopenRequested);
    SingleInstance later(path);
    const QUrl callback = QUrl::fromEncoded("veskel://auth?state=s&code=4%2F0A%2Bb");
    EXPECT_TRUE(QCoro::waitFor(later.askRunningToOpen(callback)));
    EXPECT_TRUE(QCoro::waitFor(later.askRunningToReopen()));
    ASSERT_EQ(urls.count(), 1);
    EXPECT_EQ(QUrlQuery(urls[0][0].toUrl()).queryItemValue("code", QUrl::FullyDecoded), "4/0A+b");
    EXPECT_EQ(reopened.count(), 1);
}

TEST(DesktopBrowserSheet, WaitsForItsOwnCallbackAndTreatsClosingAsCancel) {
    QList<QUrl> opened;
    bool browser = false;
    DesktopBrowserSheet sheet([&](const QUrl& url) { return opened.append(url), browser; }, "Apple");
    EXPECT_EQ(outcome(TaskProbe<QUrl>(sheet.open(QUrl("https://example.com/start"), "veskel"))),
              AccountError(AccountError::Kind::unavailable).message());

    browser = true;
    const TaskProbe<QUrl> waiting(sheet.open(QUrl("https://example.com/start"), "veskel"));
    ASSERT_TRUE(sheet.dialog() && sheet.dialog()->isVisible());
    sheet.deliver(QUrl("com.googleusercontent.apps.1:/oauth2redirect?state=s&code=c"));
    EXPECT_FALSE(waiting.done());
    sheet.deliver(QUrl("veskel://auth?state=s&code=c"));
    EXPECT_EQ(outcome(waiting), "veskel://auth?state=s&code=c");
    EXPECT_EQ(sheet.dialog(), nullptr);

    const TaskProbe<QUrl> closed(sheet.open(QUrl("https://example.com/start"), "veskel"));
    sheet.dialog()->reject();
    EXPECT_EQ(outcome(closed), "cancelled");
    EXPECT_EQ(opened.size(), 3);
}
