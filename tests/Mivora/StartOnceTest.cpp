#include "Audio/AudioClip.h"
#include "SingleInstance.h"

#include "support/FakeOpenAI.h"
#include "support/ScopedEnv.h"
#include "support/SmallDisk.h"
#include "support/StrangersListener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

// The real program started again and again by the same user: one copy runs whatever each start's
// environment, and what a killed run left behind goes with the next start.
using namespace mivora;
using namespace mivora::test;

namespace {

// How long a start that hands its request over takes at most, on a busy machine; a second copy that kept
// running would be given up on after it.
constexpr int startMs = 30000;

// The test's environment in a home of its own (`home`, the data folder in its default place) with `added`.
QStringList inHome(const QString& home, const QStringList& added) {
    const QStringList removed{"HOME",           "XDG_STATE_HOME",  "XDG_DATA_HOME",    "XDG_CONFIG_HOME",
                              "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "MIVORA_INFO_JSON", "QT_QPA_PLATFORM"};
    QStringList env = QProcess::systemEnvironment();
    env.removeIf([&](const QString& v) {
        return std::any_of(removed.begin(), removed.end(),
                           [&](const QString& n) { return v.startsWith(n + '='); });
    });
    return env << "HOME=" + home << "QT_QPA_PLATFORM=offscreen" << added;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

// Starts the program in `env` and waits until it has told what stands before a first take (by then it
// holds the lock and listens).
bool startRunning(QProcess& process, const QStringList& env) {
    process.setEnvironment(env);
    process.start(MIVORA_APP_PATH, {});
    QByteArray err;
    return QTest::qWaitFor(
               [&] {
                   err += process.readAllStandardError();
                   return err.contains("第一次听写之前还差") || process.state() == QProcess::NotRunning;
               },
               60000) &&
           process.state() == QProcess::Running;
}

void end(QProcess& process) {
    ::kill(pid_t(process.processId()), SIGTERM);
    process.waitForFinished(30000);
}

struct Ended {
    int code = -1; // -1 also for a start still running after `startMs` (then killed)
    QString err;
};

Ended startAndWait(const QStringList& env, const QStringList& args = {}, int withinMs = startMs) {
    QProcess process;
    process.setEnvironment(env);
    process.start(MIVORA_APP_PATH, args);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, withinMs)) return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

QString logOf(const QString& home) {
    QFile log(home + "/.local/state/Mivora/mivora.log");
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

QString recordingName() {
    return "mivora-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + ".wav";
}

} // namespace

// The running copy started in the desktop session (with a runtime folder). A start without one (from `su -`,
// cron) and a start whose fallback runtime folder another user made first (Qt then has no runtime folder at
// all) each find it and hand it their request, and so does the browser's sign-in start from there.
TEST(Start, OneCopyRunsWhateverTheRuntimeFolder) {
    QTemporaryDir dir;
    const QString home = dir.filePath("home"), run = dir.filePath("run");
    const QString info = writeFile(dir.filePath("Info.json"), "{}");
    ASSERT_TRUE(QDir().mkpath(run) && ::chmod(QFile::encodeName(run).constData(), 0700) == 0);
    QProcess running;
    ASSERT_TRUE(startRunning(running, inHome(home, {"XDG_RUNTIME_DIR=" + run, "MIVORA_INFO_JSON=" + info})));

    // Temporary folders of the test's own, so nothing real is touched: Qt's fallback runtime folder is
    // "<TMPDIR>/runtime-<user>".
    const QString fresh = dir.filePath("fresh"), taken = dir.filePath("taken");
    const passwd* me = ::getpwuid(::geteuid());
    ASSERT_TRUE(me);
    const QString takenRuntime = taken + "/runtime-" + QString::fromLocal8Bit(me->pw_name);
    ASSERT_TRUE(QDir().mkpath(fresh) && QDir().mkpath(takenRuntime));
    ASSERT_EQ(::chmod(QFile::encodeName(takenRuntime).constData(), 0700), 0);
    const passwd* other = ::getpwnam("nobody");
    const bool othersFolder =
        other && ::chown(QFile::encodeName(takenRuntime).constData(), other->pw_uid, other->pw_gid) == 0;
    for (const QString& tmpdir : {fresh, taken}) {
        if (tmpdir == taken && !othersFolder) {
            ADD_FAILURE() << "could not give " << takenRuntime.toStdString()
                          << " to another user (not root?)";
            continue;
        }
        const QStringList env = inHome(home, {"TMPDIR=" + tmpdir, "MIVORA_INFO_JSON=" + info});
        const Ended second = startAndWait(env);
        EXPECT_EQ(second.code, 0) << tmpdir.toStdString() << ": " << second.err.toStdString();
        const Ended signIn = startAndWait(env, {"veskel://auth?state=s1&code=c"});
        EXPECT_EQ(signIn.code, 0) << tmpdir.toStdString() << ": " << signIn.err.toStdString();
        EXPECT_EQ(running.state(), QProcess::Running);
    }
    end(running);
    QFile log(home + "/.local/state/Mivora/mivora.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(QString::fromUtf8(log.readAll()).contains("单实例监听没建起来"));
}

// However long the home's path (a local socket's is limited to 107 bytes), with a data folder out of inodes
// that holds its lock files, and with one that is read-only from the first start on (it takes no lock file:
// the lock in the user's private temporary folder serves, and the log says why), a second start reaches the
// running copy at once and ends, and so does the browser's sign-in start, handing the running copy its URL.
TEST(Start, ASecondStartHandsOverInALongHomeAndBesideAFullOrReadOnlyDataFolder) {
    QTemporaryDir dir;
    const QString info = writeFile(dir.filePath("Info.json"), "{}");
    QString longHome = dir.filePath("home-");
    longHome += QString(120 - longHome.size(), 'h');
    ASSERT_EQ(longHome.toUtf8().size(), 120);
    const QString readOnlyHome = dir.filePath("ro"), data = readOnlyHome + "/.local/share/Mivora";
    ASSERT_TRUE(QDir().mkpath(data));
    const SmallDisk readOnly(data, "size=64k", MS_RDONLY);
    if (!readOnly.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << readOnly.error();
    const QString fullHome = dir.filePath("full"), fullData = fullHome + "/.local/share/Mivora";
    ASSERT_TRUE(QDir().mkpath(fullData));
    const SmallDisk full(fullData, "size=64k,nr_inodes=3");
    if (!full.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << full.error();
    for (const char* name : {"/mivora.socket.lock", "/recordings.lock"})
        ASSERT_FALSE(writeFile(fullData + name, "").isEmpty());
    ASSERT_TRUE(writeFile(fullData + "/more", "").isEmpty()) << "not out of inodes";
    for (const QString& home : {longHome, fullHome, readOnlyHome}) {
        SCOPED_TRACE(home.toStdString());
        const QStringList env = inHome(home, {"MIVORA_INFO_JSON=" + info});
        QProcess running;
        ASSERT_TRUE(startRunning(running, env));
        const Ended second = startAndWait(env);
        EXPECT_EQ(second.code, 0) << second.err.toStdString();
        const Ended signIn = startAndWait(env, {"veskel://auth?state=s1&code=c"});
        EXPECT_EQ(signIn.code, 0) << signIn.err.toStdString();
        EXPECT_EQ(running.state(), QProcess::Running);
        end(running);
        QFile log(home + "/.local/state/Mivora/mivora.log");
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QString said = QString::fromUtf8(log.readAll());
        EXPECT_FALSE(said.contains("单实例监听没建起来")) << said.toStdString();
        EXPECT_EQ(said.contains("单实例锁 " + data + "/mivora.socket.lock 打不开（") &&
                      said.contains("照样只开一个 Mivora"),
                  home == readOnlyHome)
            << said.toStdString();
    }
}

// Neither lock can be had: the data folder is read-only and the user's folder under the temporary folder (a
// test's own in place of /tmp) is another user's. The start says so and does not run rather than risk a
// second copy.
TEST(Start, SaysWhyAndDoesNotRunWhereNoLockCanBeHad) {
    QTemporaryDir dir;
    const QString info = writeFile(dir.filePath("Info.json"), "{}");
    const QString home = dir.filePath("home"), data = home + "/.local/share/Mivora",
                  tmp = dir.filePath("tmp"), own = tmp + "/mivora-" + QString::number(::geteuid());
    ASSERT_TRUE(QDir().mkpath(data) && QDir().mkpath(own));
    const SmallDisk readOnly(data, "size=64k", MS_RDONLY);
    if (!readOnly.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << readOnly.error();
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_TRUE(nobody && ::chown(QFile::encodeName(own).constData(), nobody->pw_uid, nobody->pw_gid) == 0)
        << "no other user to give a folder to (not root?)";
    const Ended start = startAndWait(inHome(home, {"MIVORA_INFO_JSON=" + info, "MIVORA_TEST_TMP=" + tmp}));
    EXPECT_EQ(start.code, 1) << start.err.toStdString();
    EXPECT_TRUE(start.err.contains("临时文件夹 " + own + " 用不了（是别的用户的）"))
        << start.err.toStdString();
    EXPECT_TRUE(start.err.contains("单实例锁 " + data + "/mivora.socket.lock 打不开（文件系统是只读的"))
        << start.err.toStdString();
    EXPECT_TRUE(start.err.contains("这次没有启动")) << start.err.toStdString();
}

// The running copy could not listen in the user's folder under the temporary folder when it started (another
// user's folder stood at its place, the disk was out of inodes before or after the folder was made, or it was
// read-only): it
// listens elsewhere, in a home of any length, and says why with the system's reason. Once that is over, a
// later start and the browser's sign-in start still find it, at once.
TEST(Start, ALaterStartAndASignInFindTheRunningCopyWhereverItListens) {
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_TRUE(nobody && ::geteuid() == 0) << "no other user to give a folder to (not root?)";
    QTemporaryDir dir;
    const QString info = writeFile(dir.filePath("Info.json"), "{}");
    const QString own = "/mivora-" + QString::number(::geteuid());
    QString longHome = dir.filePath("home-");
    longHome += QString(90 - longHome.size(), 'h');
    enum class Way { othersFolder, noInodes, noInodesInTheFolder, readOnlyFolder };
    std::string unmounted;
    for (const auto& [way, home, reason] :
         {std::tuple{Way::othersFolder, dir.filePath("home"), QString("是别的用户的")},
          std::tuple{Way::othersFolder, longHome, QString("路径太长")},
          std::tuple{Way::noInodes, dir.filePath("home2"), QString("磁盘空间或能建的文件数用完了")},
          std::tuple{Way::noInodesInTheFolder, dir.filePath("home3"),
                     QString("磁盘空间或能建的文件数用完了")},
          std::tuple{Way::readOnlyFolder, dir.filePath("home4"), QString(".socket：文件系统是只读的")}}) {
        SCOPED_TRACE(home.toStdString() + " " + std::to_string(int(way)));
        const QString tmp = home + "-tmp";
        ASSERT_TRUE(QDir().mkpath(tmp));
        // The disk holds its root and a filler, or its root, the folder and its lock.
        std::optional<SmallDisk> disk;
        if (way != Way::othersFolder) {
            disk.emplace(tmp, way == Way::noInodes ? "size=64k,nr_inodes=2" : "size=64k,nr_inodes=3");
            // Where no disk can be mounted (a chroot without the right), only the other folder is tried.
            if (!disk->mounted()) {
                unmounted = disk->error();
                continue;
            }
        }
        if (way == Way::noInodes) {
            ASSERT_FALSE(writeFile(tmp + "/filler", "").isEmpty());
        }
        if (way == Way::readOnlyFolder) {
            ASSERT_TRUE(QDir().mkpath(tmp + own) &&
                        ::chmod(QFile::encodeName(tmp + own).constData(), 0700) == 0);
            ASSERT_EQ(::mount("tmpfs", QFile::encodeName(tmp).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                              "size=64k"),
                      0);
        }
        if (way == Way::othersFolder) {
            ASSERT_TRUE(QDir().mkpath(tmp + own) && ::chown(QFile::encodeName(tmp + own).constData(),
                                                            nobody->pw_uid, nobody->pw_gid) == 0);
        }
        const QStringList env = inHome(home, {"MIVORA_INFO_JSON=" + info, "MIVORA_TEST_TMP=" + tmp});
        QProcess running;
        ASSERT_TRUE(startRunning(running, env));
        if (way == Way::othersFolder) {
            ASSERT_TRUE(QDir(tmp + own).removeRecursively());
        }
        if (way == Way::noInodes) {
            ASSERT_TRUE(QFile::remove(tmp + "/filler"));
        }
        const Ended second = startAndWait(env, {}, 10000);
        EXPECT_EQ(second.code, 0) << second.err.toStdString();
        const Ended signIn = startAndWait(env, {"veskel://auth?state=s1&code=c"}, 10000);
        EXPECT_EQ(signIn.code, 0) << signIn.err.toStdString();
        EXPECT_TRUE(QFileInfo(tmp + own).isDir()) << "the later starts had the user's folder";
        EXPECT_EQ(running.state(), QProcess::Running);
        end(running);
        const QString said = logOf(home);
        EXPECT_TRUE(said.contains(reason)) << said.toStdString();
        EXPECT_FALSE(said.contains("单实例监听没建起来")) << said.toStdString();
    }
    if (!unmounted.empty())
        GTEST_SKIP() << "no tmpfs could be mounted here for the full disks: " << unmounted;
}

// The user's folder under the temporary folder was once open to others, and another user's program holds a
// lock and listens on a socket at the names the program uses in it. Neither is used: the user's copy runs,
// says what it did, and no request, the sign-in's code least of all, reaches the other user's socket.
TEST(Start, WhatAnotherUserLeftInTheUsersFolderIsNeverUsed) {
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_TRUE(nobody && ::geteuid() == 0) << "no other user to run as (not root?)";
    QTemporaryDir dir;
    const QString info = writeFile(dir.filePath("Info.json"), "{}");
    const QString home = dir.filePath("home"), tmp = dir.filePath("tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));
    const SingleInstance::Places places = SingleInstance::placesFor(home + "/.local/share/Mivora", tmp);
    const QString folder = QFileInfo(places.socket).absolutePath();
    ASSERT_EQ(QFileInfo(places.locks.value(1)).absolutePath(), folder);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    StrangersListener stranger(places.locks[1], places.socket, nobody->pw_uid, nobody->pw_gid);
    ASSERT_TRUE(stranger.ready());

    const QStringList env = inHome(home, {"MIVORA_INFO_JSON=" + info, "MIVORA_TEST_TMP=" + tmp});
    QProcess running;
    ASSERT_TRUE(startRunning(running, env)) << "another user's lock kept the user's copy from running";
    const Ended second = startAndWait(env, {}, 10000);
    EXPECT_EQ(second.code, 0) << second.err.toStdString();
    const Ended signIn = startAndWait(env, {"veskel://auth?state=s1&code=secret"}, 10000);
    EXPECT_EQ(signIn.code, 0) << signIn.err.toStdString();
    EXPECT_EQ(running.state(), QProcess::Running);
    end(running);
    EXPECT_EQ(stranger.received(), "");
    const QString said = logOf(home), whose = QString::number(nobody->pw_uid);
    for (const QString& line :
         {"临时文件夹 " + folder + " 别的用户也能进，改成了只有自己能进",
          places.locks[1] + " 是别的用户（用户号 " + whose + "）的，没有用它，把它删掉了",
          places.socket + " 是别的用户（用户号 " + whose + "）的，没有用它，把它删掉了"})
        EXPECT_TRUE(said.contains(line)) << line.toStdString() << "\n" << said.toStdString();
}

// A take's recording that a killed run left is gone after the next start, in whichever of the folders a take
// is written to it lies; what is not a recording of the program's stays. A recording that a running copy is
// using (here a stopped `-recognize` and a stopped `-accounttest`, their uploads unanswered) is left to it,
// and goes once that run is dead.
TEST(Start, RemovesTheRecordingsKilledRunsLeftButNotOneInUse) {
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", {200, {}, true});
    QTemporaryDir dir;
    const QString home = dir.filePath("home"), tmp = dir.filePath("tmp"), run = dir.filePath("run"),
                  cache = home + "/.cache/Mivora";
    for (const QString& folder : {tmp, run, cache, home + "/.yarrik"})
        ASSERT_TRUE(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0700) == 0);
    const QString relay = writeFile(dir.filePath("relay.json"),
                                    QJsonDocument(QJsonObject{{"YarrikProxyURL", server.url("/").toString()},
                                                              {"YarrikProxyToken", "relay-token"}})
                                        .toJson());
    const QString none = writeFile(dir.filePath("none.json"), "{}");
    const QString input =
        writeFile(dir.filePath("input.wav"), AudioClip(std::vector<std::int16_t>(24000, 800)).wav());
    const QStringList session{"TMPDIR=" + tmp, "XDG_RUNTIME_DIR=" + run};

    // The account test signs in to the loopback account server with the review account, whose relay
    // forwards the upload to the same unanswering server.
    QProcess accounts;
    accounts.start(MIVORA_ACCOUNT_SERVER_PATH,
                   {"--upstream", server.url("/").toString(), "--review", "review@veskel.app", "246810"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return accounts.canReadLine(); }, 10000));
    const QString accountRoot = QString::fromUtf8(accounts.readLine()).trimmed();
    const QString accountInfo = writeFile(
        dir.filePath("account.json"),
        QJsonDocument(QJsonObject{{"YarrikProxyURL", accountRoot}, {"YarrikProxyToken", "relay-token"}})
            .toJson());
    ASSERT_FALSE(writeFile(home + "/.yarrik/review_code", "246810\n").isEmpty());

    const QString notOurs = writeFile(tmp + "/mivora-notes.wav", "RIFF");
    const auto startOnce = [&] {
        QProcess program;
        ASSERT_TRUE(startRunning(program, inHome(home, session + QStringList{"MIVORA_INFO_JSON=" + none})));
        end(program);
    };
    // One recording run at a time: beside another one, no start removes anything.
    int uploads = 0;
    for (const auto& [mode, json] :
         {std::pair{"-recognize", relay}, std::pair{"-accounttest", accountInfo}}) {
        SCOPED_TRACE(mode);
        QProcess recording;
        recording.setEnvironment(inHome(home, session + QStringList{"MIVORA_INFO_JSON=" + json}));
        recording.start(MIVORA_APP_PATH, {mode, input});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return server.count("/v1/audio/transcriptions") > uploads; }, 60000))
            << recording.readAllStandardError().toStdString()
            << recording.readAllStandardOutput().toStdString();
        ++uploads;
        ::kill(pid_t(recording.processId()), SIGSTOP);
        const QStringList inUse = QDir(tmp).entryList({"mivora-*-*.wav"}, QDir::Files);
        ASSERT_EQ(inUse.size(), 1);
        const QStringList left{tmp + "/" + inUse[0], run + "/" + recordingName() + ".part",
                               cache + "/" + recordingName()};
        for (const QString& file : left.mid(1))
            ASSERT_FALSE(writeFile(file, "RIFF").isEmpty());
        const auto present = [&] {
            QStringList there;
            for (const QString& file : left + QStringList{notOurs})
                if (QFileInfo::exists(file)) there << QFileInfo(file).fileName();
            return there;
        };
        startOnce();
        EXPECT_EQ(present().size(), 4)
            << "a start beside a run that may be recording removed: " << present().join(' ').toStdString();

        ::kill(pid_t(recording.processId()), SIGKILL);
        ASSERT_TRUE(recording.waitForFinished(30000));
        ASSERT_TRUE(QFileInfo::exists(left[0])) << "the killed run's recording";
        startOnce();
        EXPECT_EQ(present(), QStringList{"mivora-notes.wav"});
    }
}
