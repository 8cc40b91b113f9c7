#include "Support/AtomicFile.h"

#include "support/FullDisk.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// On a really full disk, with no byte and with one page to spare, a longer file is refused as a full disk
// and the old one stays whole, with no side file left beside it; once there is room the file is replaced.
TEST(AtomicFile, AFullDiskKeepsTheOldFileWhole) {
    test::FullDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << disk.skipReason().toStdString();
    const QString path = disk.path("memories.json");
    const QByteArray old(3000, 'o'), longer(9000, 'n');
    ASSERT_TRUE(AtomicFile::write(path, old));
    for (qint64 spare : {0, 4096}) {
        disk.fill(spare);
        const AtomicFile::Result result = AtomicFile::write(path, longer);
        EXPECT_EQ(result.failure, AtomicFile::Failure::diskFull) << spare;
        EXPECT_EQ(readAll(path), old) << spare;
        EXPECT_EQ(disk.files(), QStringList{"memories.json"}) << spare;
        disk.makeRoom();
    }
    EXPECT_TRUE(AtomicFile::write(path, longer));
    EXPECT_EQ(readAll(path), longer);
}
