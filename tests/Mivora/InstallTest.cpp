// How the program sits on the machine: its install folder's former name, and one running copy per user.
#include "LegacyRename.h"
#include "SingleInstance.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

TEST(LegacyRename, MovesOnlyTheFormerNameAndOnlyWhereTheNewOneIsFree) {
    QTemporaryDir root;
    QStringList log, relaunched;
    const LegacyRename rename{[&](const QString& line) { log << line; },
                              [&](const QString& folder) { relaunched << folder; }};
    const QDir dir(root.path());
    dir.mkpath("mivora.app");
    EXPECT_FALSE(rename.run(dir.filePath("mivora.app"))) << "the name is compared with its case";

    dir.mkpath("Mivora.app");
    QFile(dir.filePath("Mivora.app/mivora")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(rename.run(dir.filePath("Mivora.app")));
    EXPECT_TRUE(QFile::exists(dir.filePath("Veskel.app/mivora")));
    EXPECT_FALSE(dir.exists("Mivora.app"));
    EXPECT_EQ(relaunched, QStringList{dir.filePath("Veskel.app")});
    EXPECT_EQ(log, QStringList{"Mivora.app 已改名 Veskel.app，从新位置重开"});

    dir.mkpath("Mivora.app");
    EXPECT_FALSE(rename.run(dir.filePath("Mivora.app")));
    EXPECT_TRUE(dir.exists("Mivora.app"));
    EXPECT_EQ(log.size(), 1) << "a taken new name is no failure";
}

TEST(LegacyRename, AFailedMoveIsLoggedWithItsCode) {
    QTemporaryDir root;
    QStringList log;
    const LegacyRename rename{[&](const QString& line) { log << line; }, [](const QString&) {}};
    EXPECT_FALSE(rename.run(root.path() + "/gone/Mivora.app"));
    EXPECT_EQ(log, QStringList{"旧文件名改不了：2"});
}

TEST(SingleInstance, ALaterStartAsksTheRunningOneToReopen) {
    QTemporaryDir root;
    const QString path = root.path() + "/mivora.socket";
    SingleInstance later(path);
    EXPECT_FALSE(QCoro::waitFor(later.askRunningToReopen())) << "nobody runs yet";

    QFile(path).open(QIODevice::WriteOnly); // left behind by a program that died
    SingleInstance running(path);
    ASSERT_TRUE(running.listen());
    QSignalSpy reopened(&running, &SingleInstance::reopenRequested);
    EXPECT_TRUE(QCoro::waitFor(later.askRunningToReopen()));
    EXPECT_EQ(reopened.count(), 1);
}
