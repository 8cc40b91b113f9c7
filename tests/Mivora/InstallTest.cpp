// How the program sits on the machine: its install folder's former name, and one running copy per user
// (the reopen request itself is the program's end-to-end test).
#include "LegacyRename.h"
#include "SingleInstance.h"
#include "support/ScopedUmask.h"
#include "support/StrangersListener.h"
#include "support/TaskProbe.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mivora;

TEST(LegacyRename, MovesOnlyTheFormerNameAndOnlyWhereTheNewOneIsFree) {
    QTemporaryDir root;
    QStringList relaunched;
    const LegacyRename rename{[](const QString&) {}, [&](const QString& folder) { relaunched << folder; }};
    const QDir dir(root.path());
    dir.mkpath("mivora.app");
    EXPECT_FALSE(rename.run(dir.filePath("mivora.app"))) << "the name is compared with its case";

    dir.mkpath("Mivora.app");
    QFile(dir.filePath("Mivora.app/mivora")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(rename.run(dir.filePath("Mivora.app")));
    EXPECT_TRUE(QFile::exists(dir.filePath("Veskel.app/mivora")));
    EXPECT_EQ(relaunched, QStringList{dir.filePath("Veskel.app")});

    dir.mkpath("Mivora.app");
    EXPECT_FALSE(rename.run(dir.filePath("Mivora.app")));
    EXPECT_TRUE(dir.exists("Mivora.app"));
}

TEST(SingleInstance, ASocketFileLeftByAProgramThatDiedIsReplaced) {
    QTemporaryDir root;
    const QString path = root.path() + "/mivora.socket";
    QFile(path).open(QIODevice::WriteOnly);
    SingleInstance running(path);
    ASSERT_TRUE(running.listen());
    QtScheduler scheduler;
    EXPECT_EQ(QCoro::waitFor(SingleInstance(path).askRunningToReopen(scheduler)),
              SingleInstance::Delivery::taken);
}

// Which start runs is decided by the lock alone: a start that finds it held hands its request over, however
// late the holder listens or answers, and never listens itself.
TEST(SingleInstance, AStartThatFindsTheLockHeldWaitsForTheHolderAndNeverTakesItsName) {
    QTemporaryDir root;
    const QString path = root.path() + "/mivora.socket";
    QtScheduler scheduler;
    SingleInstance running(path);
    ASSERT_TRUE(running.claim());
    EXPECT_EQ(QFile::permissions(SingleInstance::lockPath(path)),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    int reopened = 0;
    QObject::connect(&running, &SingleInstance::reopenRequested, [&] { ++reopened; });

    // The holder is still starting: no socket yet, then one a while later.
    SingleInstance second(path);
    EXPECT_FALSE(second.claim());
    EXPECT_FALSE(second.listen()) << "a second listener takes the running program's name";
    const test::TaskProbe<SingleInstance::Delivery> early(second.askRunningToReopen(scheduler));
    QTest::qWait(300);
    ASSERT_FALSE(early.done()) << "gave up on a holder that does not listen yet";
    ASSERT_TRUE(running.listen());
    ASSERT_TRUE(early.wait());
    EXPECT_EQ(early.get(), SingleInstance::Delivery::taken);
    EXPECT_EQ(reopened, 1);

    // A holder that takes the connection but answers only after the old two seconds.
    QLocalServer::removeServer(path);
    QLocalServer late;
    ASSERT_TRUE(late.listen(path));
    const QUrl callback("veskel://auth?state=s1&code=c");
    const test::TaskProbe<SingleInstance::Delivery> sent(
        SingleInstance(path).askRunningToOpen(callback, scheduler));
    ASSERT_TRUE(QTest::qWaitFor([&] { return late.hasPendingConnections(); }, 15000));
    QLocalSocket* taker = late.nextPendingConnection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return taker->canReadLine(); }, 15000));
    QTest::qWait(2500);
    ASSERT_FALSE(sent.done());
    taker->write(taker->readLine());
    ASSERT_TRUE(sent.wait());
    EXPECT_EQ(sent.get(), SingleInstance::Delivery::taken);

    // One that never answers is told apart from none running, after the patience given.
    SingleInstance impatient(path, std::chrono::milliseconds(400));
    EXPECT_EQ(QCoro::waitFor(impatient.askRunningToOpen(callback, scheduler)),
              SingleInstance::Delivery::noAnswer);
}

// A lock left free (its holder ended, however it ended) is taken at once, whatever socket file lies there.
TEST(SingleInstance, AFreeLockIsTakenAtOnceBesideAStaleSocket) {
    QTemporaryDir root;
    const QString path = root.path() + "/mivora.socket";
    QtScheduler scheduler;
    {
        SingleInstance ended(path);
        ASSERT_TRUE(ended.listen());
    }
    QFile(path).open(QIODevice::WriteOnly);
    SingleInstance callback(path);
    EXPECT_EQ(QCoro::waitFor(callback.askRunningToOpen(QUrl("veskel://auth?code=c"), scheduler)),
              SingleInstance::Delivery::notRunning);
    ASSERT_TRUE(SingleInstance(path).claim()) << "a sign-in hand-over keeps the lock it looked at";
    SingleInstance start(path);
    ASSERT_EQ(QCoro::waitFor(start.askRunningToReopen(scheduler)), SingleInstance::Delivery::notRunning);
    EXPECT_FALSE(SingleInstance(path).claim()) << "the start that found the lock free holds it";
    EXPECT_TRUE(start.listen());
}

// A lock file that cannot be opened tells nothing about who runs, so it is never taken for "nobody runs": a
// request is still handed to whoever listens, a start that can open no lock is told `unknown` with every
// reason, and it does not listen. A missing folder is made.
TEST(SingleInstance, ALockFileThatCannotBeOpenedIsNeverTakenForNobodyRunning) {
    QTemporaryDir root;
    QtScheduler scheduler;
    const QString fresh = root.path() + "/data/Mivora/mivora.socket";
    EXPECT_TRUE(SingleInstance(fresh).claim());
    EXPECT_EQ(QFile::permissions(root.path() + "/data/Mivora"), QFile::ReadOwner | QFile::WriteOwner |
                                                                    QFile::ExeOwner | QFile::ReadUser |
                                                                    QFile::WriteUser | QFile::ExeUser);

    // Folders where the files should be.
    const QString path = root.path() + "/mivora.socket", other = root.path() + "/other.lock";
    ASSERT_TRUE(QDir().mkpath(SingleInstance::lockPath(path)) && QDir().mkpath(other));
    const SingleInstance::Places places{path, {SingleInstance::lockPath(path), other}, {}};
    SingleInstance first(places);
    EXPECT_FALSE(first.claim());
    EXPECT_TRUE(first.lockProblem().startsWith("单实例锁 " + SingleInstance::lockPath(path) + " 打不开（"))
        << first.lockProblem().toStdString();
    EXPECT_TRUE(first.lockProblem().contains("；单实例锁 " + other + " 打不开（"))
        << first.lockProblem().toStdString();
    EXPECT_FALSE(first.listen()) << "listened without a lock: a second start would be taken for none";
    EXPECT_EQ(first.listenProblem(), first.lockProblem());
    SingleInstance callback(places);
    EXPECT_EQ(QCoro::waitFor(callback.askRunningToOpen(QUrl("veskel://auth?code=c"), scheduler)),
              SingleInstance::Delivery::unknown);
    EXPECT_FALSE(callback.lockProblem().isEmpty());

    // One that listens there all the same (an earlier version) is found.
    QLocalServer older;
    ASSERT_TRUE(older.listen(path));
    QObject::connect(&older, &QLocalServer::newConnection, [&] {
        QLocalSocket* taker = older.nextPendingConnection();
        QObject::connect(taker, &QLocalSocket::readyRead, [taker] { taker->write(taker->readLine()); });
    });
    EXPECT_EQ(QCoro::waitFor(SingleInstance(places).askRunningToReopen(scheduler)),
              SingleInstance::Delivery::taken);
}

// Where the data folder's lock cannot be had (a read-only disk, one out of inodes), the lock in the private
// temporary folder still lets one start run; and a start that can open both locks meets one that can open
// only the second on it.
TEST(SingleInstance, OneCopyRunsWhereOnlyOneOfTheLocksCanBeHad) {
    QTemporaryDir root;
    QtScheduler scheduler;
    const QString blocked = root.filePath("blocked");
    QFile(blocked).open(QIODevice::WriteOnly); // a file where the data folder's parent should be
    ASSERT_TRUE(QDir().mkpath(root.filePath("tmp")));
    const SingleInstance::Places places =
        SingleInstance::placesFor(blocked + "/Mivora", root.filePath("tmp"));
    ASSERT_EQ(places.locks.size(), 2);
    SingleInstance running(places);
    ASSERT_TRUE(running.listen()) << running.listenProblem().toStdString();
    EXPECT_TRUE(running.lockProblem().startsWith("单实例锁 " + blocked + "/Mivora/mivora.socket.lock 打不开"))
        << running.lockProblem().toStdString();
    int reopened = 0;
    QObject::connect(&running, &SingleInstance::reopenRequested, [&] { ++reopened; });
    SingleInstance second(places);
    EXPECT_FALSE(second.claim());
    EXPECT_EQ(QCoro::waitFor(second.askRunningToReopen(scheduler)), SingleInstance::Delivery::taken);
    EXPECT_EQ(reopened, 1);

    // The data folder's trouble gone: a start that opens its lock still finds the one running on the other.
    const QString data = root.filePath("data/Mivora/mivora.socket.lock");
    SingleInstance both(SingleInstance::Places{places.socket, {data, places.locks[1]}, {}});
    EXPECT_FALSE(both.claim());
    EXPECT_TRUE(SingleInstance(SingleInstance::Places{{}, {data}, {}}).claim())
        << "the lock it could take was kept while another runs";
}

// The socket and the second lock lie in "mivora-<user id>" under the temporary folder, closed to others,
// under a short name of the data folder's, however long its path: a program in a home of any length is
// reached. A folder of that name that is not the user's own is never used: the socket then lies in the data
// folder, and the reason is said.
TEST(SingleInstance, TheSocketLiesInAShortPrivateFolderWhateverTheDataFolder) {
    QTemporaryDir root;
    QtScheduler scheduler;
    const QString temp = root.filePath("tmp"), own = temp + "/mivora-" + QString::number(::geteuid());
    const QString data = root.filePath(QString(150, 'h') + "/.local/share/Mivora");
    ASSERT_TRUE(QDir().mkpath(temp));
    const SingleInstance::Places places = SingleInstance::placesFor(data, temp);
    EXPECT_EQ(QFileInfo(places.socket).absolutePath(), own);
    EXPECT_EQ(QFileInfo(places.locks.value(1)).absolutePath(), own);
    EXPECT_EQ(places.locks.value(0), data + "/mivora.socket.lock");
    EXPECT_EQ(test::modeOf(own), "700");
    EXPECT_EQ(places.problem, "");
    // Spelled through a link before the data folder is made: the same name as once it is there.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(data).absolutePath()));
    ASSERT_TRUE(QFile::link(QFileInfo(data).absolutePath(), root.filePath("share")));
    const QString spelled = SingleInstance::placesFor(root.filePath("share/Mivora"), temp).socket;
    SingleInstance running(places);
    ASSERT_TRUE(running.listen()) << running.listenProblem().toStdString();
    EXPECT_EQ(QCoro::waitFor(SingleInstance(places).askRunningToReopen(scheduler)),
              SingleInstance::Delivery::taken);
    EXPECT_EQ(SingleInstance::placesFor(data, temp).socket, spelled);
    EXPECT_NE(SingleInstance::placesFor(root.filePath("other/Mivora"), temp).socket, places.socket);

    // Left open to others by the user: closed again.
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0777), 0);
    EXPECT_EQ(SingleInstance::placesFor(data, temp).socket, places.socket);
    EXPECT_EQ(test::modeOf(own), "700");

    // A link to a folder of the user's, and another user's folder.
    const QString linked = root.filePath("linked"), others = root.filePath("others");
    ASSERT_TRUE(QDir().mkpath(linked + "/elsewhere") &&
                QDir().mkpath(others + "/mivora-" + QString::number(::geteuid())));
    ASSERT_TRUE(QFile::link(linked + "/elsewhere", linked + "/mivora-" + QString::number(::geteuid())));
    const SingleInstance::Places viaLink = SingleInstance::placesFor(data, linked);
    EXPECT_EQ(viaLink.socket, data + "/mivora.socket");
    EXPECT_EQ(viaLink.locks, QStringList{data + "/mivora.socket.lock"});
    EXPECT_TRUE(viaLink.problem.contains("不是文件夹")) << viaLink.problem.toStdString();
    // A link at a name the program uses in its folder is removed, never followed.
    const QString third = root.filePath("third/Mivora"), target = root.filePath("target");
    ASSERT_TRUE(QFile(target).open(QIODevice::WriteOnly));
    const QString lock = SingleInstance::placesFor(third, temp).locks.value(1);
    ASSERT_TRUE(QFile::link(target, lock));
    const SingleInstance::Places unlinked = SingleInstance::placesFor(third, temp);
    EXPECT_EQ(unlinked.done, QStringList{lock + " 是个链接，没有用它，把它删掉了"});
    EXPECT_FALSE(QFileInfo(lock).exists() || QFileInfo(lock).isSymLink());
    EXPECT_TRUE(QFileInfo(target).isFile()) << "what the link pointed at is left";
    EXPECT_TRUE(SingleInstance(unlinked).claim());
    EXPECT_TRUE(QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink());

    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody) GTEST_SKIP() << "no other user to give a folder to (not root?)";
    ASSERT_EQ(::chown(QFile::encodeName(others + "/mivora-" + QString::number(::geteuid())).constData(),
                      nobody->pw_uid, nobody->pw_gid),
              0);
    const SingleInstance::Places taken = SingleInstance::placesFor(data, others);
    EXPECT_EQ(taken.socket, data + "/mivora.socket");
    EXPECT_TRUE(taken.problem.contains("是别的用户的")) << taken.problem.toStdString();
}

// The holder listens in the first of the places that takes a socket (a folder that is missing, a path too
// long for a socket, each with its reason), and a later start finds it there, a name of no file included.
TEST(SingleInstance, TheHolderListensInTheFirstPlaceThatTakesASocketAndIsFoundThere) {
    QTemporaryDir root;
    QtScheduler scheduler;
    const QString missing = root.filePath("missing/mivora.socket"), second = root.filePath("second.socket");
    const QString tooLong = root.filePath(QString(120, 'h') + ".socket");
    const QString abstract = "@mivora-test-" + QUuid::createUuid().toString(QUuid::Id128);
    const QString lock = root.filePath("mivora.socket.lock");
    for (const auto& [places, where] :
         {std::pair{SingleInstance::Places{missing, {lock}, {}, {second, abstract}}, second},
          std::pair{SingleInstance::Places{tooLong, {lock}, {}, {abstract}}, abstract}}) {
        SCOPED_TRACE(where.toStdString());
        SingleInstance running(places);
        ASSERT_TRUE(running.listen()) << running.listenProblem().toStdString();
        EXPECT_EQ(running.listeningAt(), where);
        EXPECT_TRUE(running.listenProblem().contains(where == second ? "不存在" : "路径太长"))
            << running.listenProblem().toStdString();
        int reopened = 0;
        QObject::connect(&running, &SingleInstance::reopenRequested, [&] { ++reopened; });
        EXPECT_EQ(QCoro::waitFor(SingleInstance(places).askRunningToReopen(scheduler)),
                  SingleInstance::Delivery::taken);
        EXPECT_EQ(reopened, 1);
        // A name in the abstract namespace is open to every user's programs: another user's is not answered.
        const passwd* nobody = ::getpwnam("nobody");
        if (where != abstract || ::geteuid() != 0 || !nobody) continue;
        EXPECT_EQ(test::askAsStranger(where, "reopen\n", nobody->pw_uid, nobody->pw_gid), QByteArray());
        EXPECT_EQ(reopened, 1);
    }
}

// A holder that listens in none of the places (it could not listen, or runs on another computer that shares
// the home) is told apart within seconds, not after the patience; a listener of another user's in one of the
// places is never handed a request, and the start says so.
TEST(SingleInstance, AHolderThatListensNowhereIsToldApartAndNoOtherUserIsHandedARequest) {
    QTemporaryDir root;
    QtScheduler scheduler;
    const QString path = root.filePath("mivora.socket"), others = root.filePath("others.socket");
    const SingleInstance::Places places{path, {SingleInstance::lockPath(path)}, {}, {others}};
    SingleInstance running(places);
    ASSERT_TRUE(running.claim());
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody) GTEST_SKIP() << "no other user to listen as (not root?)";
    test::StrangersListener stranger({}, others, nobody->pw_uid, nobody->pw_gid);
    ASSERT_TRUE(stranger.ready());
    SingleInstance callback(places, std::chrono::seconds(40));
    const test::TaskProbe<SingleInstance::Delivery> sent(
        callback.askRunningToOpen(QUrl("veskel://auth?state=s1&code=secret"), scheduler));
    ASSERT_TRUE(sent.wait(30000)) << "waited for a holder that listens nowhere";
    EXPECT_EQ(sent.get(), SingleInstance::Delivery::nowhere);
    EXPECT_EQ(stranger.received(), "");
    EXPECT_EQ(callback.notes(), QStringList{others + " 上监听的是别的用户的程序，没有把请求交给它"});
}
