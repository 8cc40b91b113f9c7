#include "Platform/Linux/DesktopEntry.h"

#include "support/ScopedUmask.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>

// The real program started as a user starts it, where something stands in its way: it says what in Chinese
// instead of aborting inside Qt or failing with a bare number. Its life on a desktop (staying up, the exit
// lines on SIGTERM, X11 chosen where Wayland is there too) is the program's end-to-end test.
namespace {

// The test's environment without the variables named, with those given added.
QStringList environment(const QStringList& removed, const QStringList& added = {}) {
    QStringList env = QProcess::systemEnvironment();
    env.removeIf([&](const QString& v) {
        return std::any_of(removed.begin(), removed.end(),
                           [&](const QString& name) { return v.startsWith(name + '='); });
    });
    return env + added;
}

struct Ended {
    int code = -1;
    QString out, err;
};

Ended run(const QStringList& env, const QStringList& args = {}, const QString& program = MIVORA_APP_PATH) {
    QProcess process;
    process.setEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(60000)) return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QStringList displays = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

} // namespace

TEST(Start, RefusesWithoutAnX11DisplayAndSaysWhy) {
    const Ended none = run(environment(displays));
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.err, "Mivora 需要图形桌面：没有找到 X11 显示（DISPLAY 未设置）\n");

    // A Wayland session without XWayland; Qt's own choice would be Wayland, and the request to use it too.
    QTemporaryDir runtime;
    const Ended wayland = run(environment(displays, {"WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=wayland",
                                                     "XDG_RUNTIME_DIR=" + runtime.path()}));
    EXPECT_EQ(wayland.code, 1);
    EXPECT_TRUE(wayland.err.startsWith("Mivora 需要 X11 显示：这是 Wayland 会话，但没有 X11 显示"))
        << wayland.err.toStdString();
    EXPECT_TRUE(wayland.err.contains("XWayland"));
}

TEST(Start, ABuildSettingsFileThatCannotBeUsedIsNamed) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("nowhere/Info.json");
    const Ended gone =
        run(environment({"MIVORA_INFO_JSON"}, {"MIVORA_INFO_JSON=" + missing}), {"-recognize", "x.wav"});
    EXPECT_EQ(gone.code, 1);
    EXPECT_EQ(gone.err, "MIVORA_INFO_JSON 指定的文件 " + missing + " 不存在\n");

    const Ended folder = run(environment({"MIVORA_INFO_JSON"}, {"MIVORA_INFO_JSON=" + dir.path()}));
    EXPECT_EQ(folder.code, 1);
    EXPECT_EQ(folder.err, "MIVORA_INFO_JSON 指定的文件 " + dir.path() + " 是个文件夹，不是文件\n");

    // A pipe nobody writes to: named at once, not waited on.
    const QString pipe = dir.filePath("pipe.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const Ended piped =
        run(environment({"MIVORA_INFO_JSON"}, {"MIVORA_INFO_JSON=" + pipe}), {"-recognize", "x.wav"});
    EXPECT_EQ(piped.code, 1);
    EXPECT_EQ(piped.err,
              "MIVORA_INFO_JSON 指定的文件 " + pipe + " 不是普通文件（像是管道或设备），不会去读它\n");
}

// The launcher recognises a file without the desktop program, and names that program when it is missing.
TEST(Start, TheLauncherRecognisesOnItsOwnAndNamesAMissingDesktopProgram) {
    QTemporaryDir dir;
    const QString launcher = dir.filePath("mivora");
    ASSERT_TRUE(QFile::copy(MIVORA_APP_PATH, launcher));
    const QString recognizer = QFileInfo(MIVORA_APP_PATH).absolutePath() + "/mivora_recognize";
    ASSERT_TRUE(QFile::copy(recognizer, dir.filePath("mivora_recognize")));
    const QStringList env = environment({"MIVORA_INFO_JSON"}, {"HOME=" + dir.path()});
    const Ended recognised = run(env, {"-recognize", dir.filePath("missing.wav")}, launcher);
    EXPECT_EQ(recognised.code, 1);
    EXPECT_FALSE(recognised.err.isEmpty());
    EXPECT_FALSE(recognised.err.contains("mivora_desktop")) << recognised.err.toStdString();

    const Ended started = run(env, {}, launcher);
    EXPECT_EQ(started.code, 1);
    EXPECT_TRUE(started.err.startsWith("Mivora 没装完整，启动不了：" + dir.filePath("mivora_desktop")))
        << started.err.toStdString();
}

TEST(Start, TheVaultTestSaysWhenNoSecretServiceAnswers) {
    QTemporaryDir dir;
    const Ended vault = run(environment({"DBUS_SESSION_BUS_ADDRESS", "XDG_STATE_HOME"},
                                        {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir.filePath("no-bus"),
                                         "XDG_STATE_HOME=" + dir.filePath("state")}),
                            {"-vaulttest"});
    EXPECT_EQ(vault.code, 1);
    EXPECT_TRUE(vault.out.contains("✗ 写入失败：没有 Secret Service（密钥环服务，如 gnome-keyring）应答"))
        << vault.out.toStdString();
}

// The program started on the offscreen platform in a home of its own (`home`) with the build settings
// `info`; what it said on stderr until it told what stands before a first take. It is ended afterwards.
QString startAndEnd(const QString& program, const QString& home, const QString& info) {
    QDir().mkpath(home + "/run");
    QFile::setPermissions(home + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcess process;
    QStringList added{"HOME=" + home, "XDG_RUNTIME_DIR=" + home + "/run", "QT_QPA_PLATFORM=offscreen"};
    if (!info.isEmpty()) added << "MIVORA_INFO_JSON=" + info;
    process.setEnvironment(environment({"HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                        "XDG_RUNTIME_DIR", "MIVORA_INFO_JSON", "QT_QPA_PLATFORM"},
                                       added));
    process.start(program, {});
    QString err;
    (void)QTest::qWaitFor(
        [&] {
            err += QString::fromUtf8(process.readAllStandardError());
            return err.contains("第一次听写之前还差") || process.state() == QProcess::NotRunning;
        },
        60000);
    if (process.state() != QProcess::Running) return err + "\n(the program ended)";
    ::kill(pid_t(process.processId()), SIGTERM);
    process.waitForFinished(30000);
    return err + QString::fromUtf8(process.readAllStandardError());
}

// Started without a relay, a developer key or a tray (and, offscreen, without a microphone, the
// accessibility bus or the hotkey), the program says where its log is and each thing the setup model finds
// missing before a first take, then that it has no tray, and keeps running.
TEST(Start, SaysWhereItsLogIsAndWhatStandsBeforeAFirstTake) {
    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("{}");
    info.close();
    const QString home = dir.filePath("home");
    const QString err = startAndEnd(MIVORA_APP_PATH, home, info.fileName());
    const QStringList lines =
        err.split('\n').filter(QRegularExpression("^(Veskel|Mivora|第一次|  · |没找到)"));
    EXPECT_EQ(lines, (QStringList{
                         "Veskel 已启动，日志在 " + home + "/.local/state/Mivora/mivora.log",
                         "第一次听写之前还差：",
                         "  · 没有找到麦克风：在「设置 → 声音 → 输入」里选一个麦克风",
                         "  · 辅助功能还没打开：在设置里打开辅助功能，才能认出 右 Ctrl 键、把文字填到光标处",
                         "  · 键盘上没有 右 Ctrl：在主窗口的设置里点「换一个键」，按一下你想按住说话的键",
                         "  · 云端识别还没配置好：把 OpenAI 密钥（sk- 开头的一行）放进 " + home +
                             "/.yarrik/openai_key，或者使用配置了中转的版本",
                         "没找到系统托盘，不会有托盘图标：主窗口关掉以后，再运行一次 mivora 就能打开它",
                     }))
        << err.toStdString();
}

// Under the usual umask the user's data, settings and log are theirs alone after a first start, and after a
// start over what an earlier version left readable by everyone (folders 0755, files 0644): every folder 0700,
// every file 0600. The user's own files beside them and what a link among them points at keep their rights.
TEST(Start, LeavesTheUsersDataSettingsAndLogToThemAlone) {
    using mivora::test::modeOf, mivora::test::notPrivate;
    const mivora::test::ScopedUmask umask(022);
    QTemporaryDir dir;
    const QString home = dir.filePath("home"), data = home + "/.local/share/Mivora",
                  settings = home + "/.config/Mivora", log = home + "/.local/state/Mivora";
    const auto make = [](const QString& path, mode_t mode) {
        QFile file(path);
        return (file.exists() || (file.open(QIODevice::WriteOnly) && file.write("{}") == 2)) &&
               ::chmod(QFile::encodeName(path).constData(), mode) == 0;
    };
    ASSERT_TRUE(make(dir.filePath("Info.json"), 0644));
    EXPECT_TRUE(startAndEnd(MIVORA_APP_PATH, home, dir.filePath("Info.json")).contains("第一次听写之前还差"));
    EXPECT_EQ(notPrivate(settings) + notPrivate(log), "");

    ASSERT_TRUE(QDir().mkpath(data + "/old"));
    for (const QString& path : {data, data + "/old", data + "/memories.json", data + "/old/deleted.json",
                                settings, settings + "/Mivora.ini", log, log + "/mivora.log",
                                home + "/notes.txt", home + "/.config/other.conf"})
        ASSERT_TRUE(make(path, QFileInfo(path).isDir() ? 0755 : 0644)) << path.toStdString();
    ASSERT_TRUE(QFile::link(home + "/notes.txt", data + "/notes"));
    const QString config = modeOf(home + "/.config");
    EXPECT_TRUE(startAndEnd(MIVORA_APP_PATH, home, dir.filePath("Info.json")).contains("第一次听写之前还差"));
    EXPECT_EQ(notPrivate(data) + notPrivate(settings) + notPrivate(log),
              (data + "/notes link").toStdString());
    const QString others = modeOf(home + "/notes.txt") + modeOf(home + "/.config/other.conf");
    EXPECT_EQ((others + modeOf(home + "/.config")).toStdString(), ("644644" + config).toStdString());
}

// `cmake --install` puts the program, its launcher and its sign-in entry under the prefix; started from
// there, the program finds its Info.json beside itself and its sign-in entry names the installed copy.
TEST(Install, PutsTheProgramItsLauncherAndItsSignInEntryInPlace) {
    QTemporaryDir dir;
    // A folder a user may well pick: a space, and a percent sign the desktop would read as a field code.
    const QString prefix = dir.filePath("my 100% prefix");
    QProcess cmake;
    cmake.start("cmake", {"--install", MIVORA_BUILD_DIR, "--prefix", prefix});
    ASSERT_TRUE(cmake.waitForFinished(60000));
    ASSERT_EQ(cmake.exitCode(), 0) << cmake.readAllStandardError().toStdString();

    const QString installed = prefix + "/lib/mivora/mivora";
    EXPECT_EQ(QFileInfo(prefix + "/bin/mivora").canonicalFilePath(),
              QFileInfo(installed).canonicalFilePath());
    EXPECT_TRUE(QFileInfo(installed).isExecutable());
    EXPECT_TRUE(QFile::exists(prefix + "/lib/mivora/Info.json"));
    EXPECT_TRUE(QFile::exists(prefix + "/share/icons/hicolor/scalable/apps/mivora.svg"));
    QFile launcher(prefix + "/share/applications/mivora.desktop");
    ASSERT_TRUE(launcher.open(QIODevice::ReadOnly));
    const QStringList entry = QString::fromUtf8(launcher.readAll()).split('\n');
    EXPECT_TRUE(entry.contains("Exec=" + mivora::DesktopEntry::exec(prefix + "/bin/mivora").value()))
        << entry.join('\n').toStdString();
    EXPECT_EQ(mivora::DesktopEntry::program(entry.filter(QRegularExpression("^Exec=")).value(0).mid(5)),
              prefix + "/bin/mivora");
    EXPECT_TRUE(entry.contains("Icon=mivora"));
    QFile signIn(prefix + "/share/applications/mivora-signin.desktop");
    ASSERT_TRUE(signIn.open(QIODevice::ReadOnly));
    const QByteArray signInEntry = signIn.readAll();
    EXPECT_TRUE(
        signInEntry.contains("Exec=" + mivora::DesktopEntry::exec(installed, {"%u"}).value().toUtf8() + '\n'))
        << signInEntry.toStdString();

    // Without MIVORA_INFO_JSON: the installed Info.json is the one read.
    const QString home = dir.filePath("home");
    const QString err = startAndEnd(prefix + "/bin/mivora", home, {});
    EXPECT_TRUE(err.contains("第一次听写之前还差")) << err.toStdString();
    QFile log(home + "/.local/state/Mivora/mivora.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("启动 " MIVORA_VERSION "（"))
        << "the version from the installed Info.json";
    QFile written(home + "/.local/share/applications/mivora-signin.desktop");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), signInEntry)
        << "the entry the program writes for itself names the installed copy";
}
