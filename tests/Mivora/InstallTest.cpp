// How the program sits on the machine: its install folder's former name, and one running copy per user
// (the reopen request itself is the program's end-to-end test).
#include "LegacyRename.h"
#include "SingleInstance.h"
#include "support/TaskProbe.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
// request is still handed to whoever listens, a start that finds nobody is told `unknown` with the reason,
// and it listens all the same, so later starts with the same trouble find it. A missing folder is made.
TEST(SingleInstance, ALockFileThatCannotBeOpenedIsNeverTakenForNobodyRunning) {
    QTemporaryDir root;
    QtScheduler scheduler;
    const QString fresh = root.path() + "/data/Mivora/mivora.socket";
    EXPECT_TRUE(SingleInstance(fresh).claim());
    EXPECT_EQ(QFile::permissions(root.path() + "/data/Mivora"), QFile::ReadOwner | QFile::WriteOwner |
                                                                    QFile::ExeOwner | QFile::ReadUser |
                                                                    QFile::WriteUser | QFile::ExeUser);

    const QString path = root.path() + "/mivora.socket";
    ASSERT_TRUE(QDir().mkpath(SingleInstance::lockPath(path))); // a folder where the file should be
    SingleInstance first(path);
    EXPECT_FALSE(first.claim());
    EXPECT_TRUE(first.lockProblem().startsWith("单实例锁 " + SingleInstance::lockPath(path) + " 打不开（"))
        << first.lockProblem().toStdString();
    SingleInstance callback(path);
    EXPECT_EQ(QCoro::waitFor(callback.askRunningToOpen(QUrl("veskel://auth?code=c"), scheduler)),
              SingleInstance::Delivery::unknown);
    EXPECT_FALSE(callback.lockProblem().isEmpty());

    ASSERT_TRUE(first.listen());
    int reopened = 0;
    QObject::connect(&first, &SingleInstance::reopenRequested, [&] { ++reopened; });
    EXPECT_EQ(QCoro::waitFor(SingleInstance(path).askRunningToReopen(scheduler)),
              SingleInstance::Delivery::taken);
    EXPECT_EQ(reopened, 1);
}
