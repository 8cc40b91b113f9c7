// Launch at login through the autostart entry, on real files in a temporary autostart folder.
#include "Platform/Linux/AutostartLoginItem.h"

#include "support/ScopedEnv.h"
#include "support/SmallDisk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Status = LoginItem::Status;

namespace {

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// The entry lives in the config home's autostart folder, made on the first registration.
TEST(AutostartLoginItem, RegistersTheRunningExecutableReadsItBackAndUnregisters) {
    QTemporaryDir dir;
    const ScopedEnv config("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString self = QCoreApplication::applicationFilePath();
    AutostartLoginItem item(self);
    EXPECT_EQ(item.path(), dir.path() + "/autostart/mivora.desktop");
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_NO_THROW(item.unregisterItem()) << "nothing registered is no failure";

    item.registerItem();
    EXPECT_EQ(item.status(), Status::enabled);
    const QByteArray entry = read(item.path());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\nType=Application\n"));
    EXPECT_EQ(AutostartLoginItem::program(entry), self);

    item.unregisterItem();
    EXPECT_FALSE(QFile::exists(item.path()));
    EXPECT_EQ(item.status(), Status::notRegistered);
}

TEST(AutostartLoginItem, AnEntrySwitchedOffOrStartingAnotherCopyIsNotRegistered) {
    QTemporaryDir dir;
    // Blanks, quotes, backslashes and dollars survive both levels of escaping.
    const QString odd = dir.path() + "/my apps/mi\"vo\\ra$HOME`x`";
    AutostartLoginItem item(odd, dir.path());
    item.registerItem();
    EXPECT_EQ(AutostartLoginItem::program(read(item.path())), odd);
    EXPECT_EQ(item.status(), Status::enabled);

    AutostartLoginItem other("/opt/mivora/mivora", dir.path());
    EXPECT_EQ(other.status(), Status::notRegistered);
    other.registerItem();
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_EQ(other.status(), Status::enabled);

    write(other.path(), AutostartLoginItem::contents("/opt/mivora/mivora") + "Hidden=true\n");
    EXPECT_EQ(other.status(), Status::notRegistered);
    write(other.path(),
          read(other.path()).replace("Hidden=true\n", "").replace("enabled=true", "enabled=false"));
    EXPECT_EQ(other.status(), Status::notRegistered);
    write(other.path(), "[Desktop Entry]\nExec=/opt/mivora/mivora --flag\n");
    EXPECT_EQ(other.status(), Status::enabled);
}

TEST(AutostartLoginItem, AFolderThatCannotBeWrittenIsARefusalNamingTheFile) {
    QTemporaryDir dir;
    write(dir.path() + "/autostart", "a file where the folder should be");
    AutostartLoginItem item("/usr/bin/mivora", dir.path() + "/autostart");
    try {
        item.registerItem();
        FAIL() << "registered into a file";
    } catch (const LoginItem::Failure& failure) {
        EXPECT_EQ(failure.message(), "自动启动的文件写不进去（" + item.path() + "）");
    }
    EXPECT_EQ(item.status(), Status::notRegistered);
}

// A full disk is said as such, whether it refuses the entry or the folder it goes in (no inodes left).
TEST(AutostartLoginItem, AFullDiskIsSaidAsSuch) {
    QTemporaryDir dir;
    SmallDisk disk(dir.path(), "size=64k,nr_inodes=16");
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.error();
    QDir(dir.path()).mkdir("autostart");
    disk.fill();
    for (int i = 0; QFile(dir.filePath(QString::number(i))).open(QIODevice::WriteOnly); ++i) {
    }
    for (const QString& folder : {dir.path() + "/autostart", dir.path() + "/config/autostart"}) {
        AutostartLoginItem item("/usr/bin/mivora", folder);
        try {
            item.registerItem();
            ADD_FAILURE() << "registered on a full disk: " << folder.toStdString();
        } catch (const LoginItem::Failure& failure) {
            EXPECT_EQ(failure.message(),
                      "磁盘满了，自动启动的文件写不进去（" + item.path() + "）：空出地方后再试");
        }
        EXPECT_EQ(item.status(), Status::notRegistered);
    }
}
