// GPaste, a clipboard manager that puts its newest entry back the moment it finds the clipboard empty: a
// secret pasted beside it (a Tab fill or a recall) reaches a slow GTK field as itself every time, counted as
// landed only where the field took it; a secret left to paste by hand stays for the window in front; xterm's
// primary selection comes back; and the manager's history never holds a secret.
#include "Insertion/TextInserter.h"

#include "LinuxDesktop.h"
#include "support/CatTerminal.h"
#include "support/ChildProcess.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QThread>

using namespace mivora;
using namespace mivora::test;

namespace {

struct ClipboardManagerDesktop : LinuxDesktop {
    ChildProcess gpaste, owner;

    // The manager's daemon on the session bus, and a copy the user made in another program.
    ::testing::AssertionResult besideGPaste(const QString& copied) {
        const QString daemon = QStringLiteral("/usr/libexec/gpaste/gpaste-daemon");
        if (!QFile::exists(daemon) || !gpaste.start(daemon))
            return ::testing::AssertionFailure() << "gpaste-2 (scripts/install-deps)";
        const bool onBus = waitUntil(
            [] {
                return QDBusConnection::sessionBus()
                    .interface()
                    ->isServiceRegistered("org.gnome.GPaste")
                    .value();
            },
            desktopDeadlineMs);
        if (!onBus) return ::testing::AssertionFailure() << "GPaste is not on the session bus";
        if (!owner.start("mivora_clipboard", {copied, "--text"}) || !owner.waitForLine("ready") ||
            !waitUntil([&] { return history().contains(copied); }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "GPaste did not keep the user's copy";
        return ::testing::AssertionSuccess();
    }
    // What the manager keeps. Its client reads a text to add from a standard input that is no terminal: it
    // gets an empty one.
    static QString history() {
        QProcess client;
        client.start("gpaste-client", {"history", "--raw"});
        client.closeWriteChannel();
        if (!client.waitForFinished(desktopDeadlineMs)) return {};
        return QString::fromUtf8(client.readAllStandardOutput());
    }
};

} // namespace

TEST_F(ClipboardManagerDesktop, ASecretBesideGPasteLandsAsItselfAndStaysForAHandPaste) {
    const QString copied = QStringLiteral("之前复制的");
    ASSERT_TRUE(besideGPaste(copied));
    // The field shares one core with a process that never rests: every answer it gives comes late.
    const QString core = QString::number(QThread::idealThreadCount() - 1);
    ChildProcess hog, field;
    ASSERT_TRUE(hog.start("/usr/bin/taskset", {"-c", core, "/bin/sh", "-c", "while :; do :; done"}));
    ASSERT_TRUE(field.startInFront(platform->frontApplication(), "/usr/bin/taskset",
                                   {"-c", core, "/usr/bin/python3", MIVORA_GTK_TARGET, "--gtk", "3"}));
    TextInserter inserter{*platform, scheduler};
    QString expected;
    // Tab fills (the field known) and recalls (the field read first, which a busy application may not
    // answer in time: the secret is pasted all the same, without ✓).
    for (int step = 1; step <= 20; ++step) {
        const QString secret = QStringLiteral("PWX%1SECRET").arg(step);
        const bool fill = step <= 10;
        const InsertResult result = QCoro::waitFor(fill ? inserter.insert(secret, FocusKind::text, true)
                                                        : inserter.insertSensitive(secret));
        if (fill) {
            EXPECT_EQ(result, InsertResult::inserted()) << step;
        }
        expected += secret;
        EXPECT_TRUE(waitUntil([&] { return field.lastText() == expected; }, desktopDeadlineMs))
            << step << ": " << field.lastText().toStdString();
        ASSERT_FALSE(field.lastText().contains(copied)) << step;
        if (result.isInserted()) {
            EXPECT_TRUE(
                waitUntil([&] { return clipboardAs("UTF8_STRING") == copied.toUtf8(); }, desktopDeadlineMs))
                << step;
        }
    }

    // Left on the clipboard to paste by hand (where the focus is not known as a field, the program's own
    // paste goes out too): still there for the field when the user pastes.
    const QString secret = QStringLiteral("PWXHANDSECRET");
    EXPECT_FALSE(QCoro::waitFor(inserter.insert(secret, FocusKind::other, true)).isInserted());
    expected += secret;
    EXPECT_TRUE(waitUntil([&] { return field.lastText() == expected; }, desktopDeadlineMs))
        << field.lastText().toStdString();
    runTool("xdotool", {"key", "ctrl+v"});
    expected += secret;
    EXPECT_TRUE(waitUntil([&] { return field.lastText() == expected; }, desktopDeadlineMs))
        << field.lastText().toStdString();
    EXPECT_FALSE(history().contains("SECRET")) << history().toStdString();
}

TEST_F(ClipboardManagerDesktop, XtermsPrimarySelectionComesBackAfterASecretBesideGPaste) {
    ASSERT_TRUE(besideGPaste(QStringLiteral("之前复制的")));
    CatTerminal terminal;
    ASSERT_TRUE(terminal.start("xterm", {"-class", "XTerm"}) && inFront(terminal.processId()))
        << "xterm (scripts/install-deps)";
    // Selected again until it holds: a selection taken with the time of an old event is ignored.
    ASSERT_TRUE(waitUntil(
        [] {
            QGuiApplication::clipboard()->setText(QStringLiteral("之前选中的"), QClipboard::Selection);
            return primaryAs("UTF8_STRING") == QString("之前选中的").toUtf8();
        },
        desktopDeadlineMs));
    TextInserter inserter{*platform, scheduler};
    EXPECT_EQ(QCoro::waitFor(inserter.insertSensitive("PWX7731SECRET")), InsertResult::inserted());
    EXPECT_TRUE(waitUntil([&] { return terminal.received() == "PWX7731SECRET"; }, desktopDeadlineMs))
        << terminal.received().toStdString();
    EXPECT_TRUE(waitUntil([] { return primaryAs("UTF8_STRING") == QString("之前选中的").toUtf8(); },
                          desktopDeadlineMs));
    EXPECT_TRUE(waitUntil([] { return clipboardAs("UTF8_STRING") == QString("之前复制的").toUtf8(); },
                          desktopDeadlineMs));
    EXPECT_FALSE(history().contains("SECRET")) << history().toStdString();
}
