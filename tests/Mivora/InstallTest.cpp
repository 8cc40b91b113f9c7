// How the program sits on the machine: its install folder's former name, and one running copy per user
// (the reopen request itself is the program's end-to-end test).
#include "LegacyRename.h"
#include "SingleInstance.h"

#include <QDir>
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
    EXPECT_TRUE(QCoro::waitFor(SingleInstance(path).askRunningToReopen()));
}
