// The desktop entries written for the program (launch at login, the sign-in callback, the installed
// launcher) for programs in folders with every character a path can hold, started by GLib's own launcher as a
// desktop would start them. GLib's headers come before Qt's, whose keyword macros ("signals") would clash
// with them.
#include <gio/gdesktopappinfo.h>

#include "LauncherEntry.h"
#include "Platform/Linux/AutostartLoginItem.h"
#include "SchemeHandlerEntry.h"
#include "Support/AppLog.h"

#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

// A program that records how it was started: its own path and its arguments, each ended by a NUL.
const QByteArray recorder = "#!/bin/sh\n"
                            "printf '%s\\0' \"$0\" \"$@\" > \"$MIVORA_LAUNCHED.part\" && "
                            "mv \"$MIVORA_LAUNCHED.part\" \"$MIVORA_LAUNCHED\"\n";

bool makeProgram(const QString& path) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(recorder) == recorder.size() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// What GLib's launcher started from the entry at `entry` (with `uri` for its %u): the program's path and its
// arguments, one a line, or a line saying why nothing started.
std::string launched(const QString& entry, const QString& uri, const QString& record) {
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(QFile::encodeName(entry).constData());
    if (!info) return "GLib refused the entry";
    GAppLaunchContext* context = g_app_launch_context_new();
    g_app_launch_context_setenv(context, "MIVORA_LAUNCHED", QFile::encodeName(record).constData());
    const QByteArray uriBytes = uri.toUtf8();
    GList* uris = uri.isEmpty() ? nullptr : g_list_append(nullptr, const_cast<char*>(uriBytes.constData()));
    GError* error = nullptr;
    const bool started = g_app_info_launch_uris(G_APP_INFO(info), uris, context, &error);
    g_list_free(uris);
    g_object_unref(context);
    g_object_unref(info);
    if (!started) {
        const QString why = QString::fromUtf8(error->message);
        g_error_free(error);
        return "GLib did not start it: " + why.toStdString();
    }
    if (!QTest::qWaitFor([&] { return QFile::exists(record); })) return "nothing ran";
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly)) return "no record";
    QStringList words;
    for (const QByteArray& word : file.readAll().split('\0'))
        words << QFile::decodeName(word);
    words.removeLast(); // after the last NUL
    return words.join('\n').toStdString();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

// A percent sign must not read as a field code ("My%20Apps" once started ".../My0Apps/..."), a control
// character must not end the line, and the quoting's characters must stay themselves; the callback's URL
// arrives as one argument whatever it holds.
TEST(DesktopEntries, StartTheSameProgramFromAnyFolderThroughGLib) {
    QTemporaryDir dir;
    const QStringList places = {
        "My%20Apps/mivora",
        "100%/%u %f %%/mivora",
        "my apps/ lead and trail /mivora",
        "quote\"d/it's/mivora",
        "back\\slash/\\n\\s\\\\/mivora",
        "$HOME/`id`/$(id)/mivora",
        "new\nline/tab\tbed/cr\rend/mivora",
        "中文 文件夹/\uFEFFbom/e\u0301/\U0001F600/mivora",
        "#;=[x]~&|<>*?!{a,b}/mivora",
        "all/%20 \"'\\$`\n\t#=;中/mi%vora $x",
    };
    const QString uri = "veskel://auth?code=a%20b%25&state=x'y\"$z";
    int n = 0;
    for (const QString& place : places) {
        const QString program = dir.filePath(place);
        ASSERT_TRUE(makeProgram(program)) << place.toStdString();
        const std::string name = place.toStdString();

        const QString autostart = dir.filePath(QStringLiteral("autostart%1").arg(n));
        AutostartLoginItem item(program, autostart);
        item.registerItem();
        EXPECT_EQ(item.status(), LoginItem::Status::enabled) << name;
        EXPECT_EQ(launched(item.path(), {}, dir.filePath(QStringLiteral("record%1a").arg(n))),
                  program.toStdString())
            << name;

        const QString menu = dir.filePath(QStringLiteral("launcher%1.desktop").arg(n));
        const std::optional<QByteArray> menuEntry = LauncherEntry::contents(program);
        ASSERT_TRUE(menuEntry) << name;
        write(menu, *menuEntry);
        EXPECT_EQ(launched(menu, {}, dir.filePath(QStringLiteral("record%1c").arg(n))), program.toStdString())
            << name;

        const QString signIn = dir.filePath(QStringLiteral("signin%1.desktop").arg(n));
        const std::optional<QByteArray> entry = SchemeHandlerEntry::contents(program);
        ASSERT_TRUE(entry) << name;
        write(signIn, *entry);
        EXPECT_EQ(launched(signIn, uri, dir.filePath(QStringLiteral("record%1b").arg(n))),
                  (program + '\n' + uri).toStdString())
            << name;
        ++n;
    }
}

// A control character with no escape in a desktop entry cannot be written: the switch says so in words, and
// the callback's entry is not written at all rather than written wrong.
TEST(DesktopEntries, RefuseAPathNoEntryCanCarry) {
    QTemporaryDir dir;
    for (const QString& place :
         {QString("esc\x1b/mivora"), QString("bell\x07/mivora"), QString("del\x7f/mivora")}) {
        const QString program = dir.filePath(place);
        AutostartLoginItem item(program, dir.filePath("autostart"));
        try {
            item.registerItem();
            ADD_FAILURE() << "registered " << place.toStdString();
        } catch (const LoginItem::Failure& failure) {
            EXPECT_EQ(failure.message(),
                      "程序的路径里有控制字符，写不进自动启动的文件：把程序挪到别的文件夹再打开");
        }
        EXPECT_FALSE(QFile::exists(item.path()));
        EXPECT_FALSE(SchemeHandlerEntry::contents(program));
        EXPECT_FALSE(LauncherEntry::contents(program));
    }
}

// The user's list of default programs, when it is there but cannot be read, is left as it is: the sign-in's
// defaults are not written and the log says why. A socket at its name stands for it where the tests run as
// root (no one opens a socket as a file); run as a user, so does a list of mode 0000.
TEST(DesktopEntries, LeaveADefaultsListThatCannotBeReadAsItIs) {
    QTemporaryDir dir;
    const test::ScopedEnv config("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString list = SchemeHandlerEntry::defaultsPath();
    QLocalServer socket;
    ASSERT_TRUE(socket.listen(list)) << socket.errorString().toStdString();
    EXPECT_FALSE(SchemeHandlerEntry::install("/usr/bin/mivora"));
    EXPECT_FALSE(QFileInfo(list).isFile()) << "the socket was written over";
    AppLog::flush();
    QFile log(AppLog::file());
    EXPECT_TRUE(log.open(QIODevice::ReadOnly) &&
                QString::fromUtf8(log.readAll()).contains(list + " 读不出来（"));
    socket.close();

    if (::geteuid() == 0) return;
    write(list, "[Added Associations]\n");
    ASSERT_TRUE(QFile::setPermissions(list, {}));
    EXPECT_FALSE(SchemeHandlerEntry::install("/usr/bin/mivora"));
    EXPECT_EQ(QFileInfo(list).size(), 21);
}
