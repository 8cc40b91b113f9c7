#include "Support/AtomicFile.h"

#include "support/SmallDisk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace mivora;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void touch(const QString& path, qint64 ageSeconds) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("half");
    f.flush();
    f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
}

} // namespace

// The bytes are on the disk only when the system says so: a sync that fails is a failed write, and the old
// file and no side file stay.
TEST(AtomicFile, ASyncThatFailsIsAFailure) {
    QTemporaryDir dir;
    const QString path = dir.filePath("memories.json");
    ASSERT_TRUE(AtomicFile::write(path, "old"));
    const AtomicFile::Result result = AtomicFile::writeWith(path, "new", [](int) {
        errno = EIO;
        return false;
    });
    EXPECT_EQ(result.failure, AtomicFile::Failure::other);
    EXPECT_EQ(readAll(path), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"memories.json"});
}

// A disk that has bytes left but no room for one more file (no inodes) refuses the side file itself: that is
// a full disk too, not some other write error.
TEST(AtomicFile, NoRoomForTheSideFileIsAFullDisk) {
    QTemporaryDir dir;
    test::SmallDisk disk(dir.path(), "size=1m,nr_inodes=8");
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.error();
    const QString path = dir.filePath("Mivora.ini");
    ASSERT_TRUE(AtomicFile::write(path, "[General]\nfnKey=F9\n"));
    for (int i = 0; QFile(dir.filePath(QString::number(i))).open(QIODevice::WriteOnly); ++i) {
    }
    const AtomicFile::Result result = AtomicFile::write(path, "[General]\nfnKey=F8\n");
    EXPECT_EQ(result.failure, AtomicFile::Failure::diskFull) << result.reason.toStdString();
    EXPECT_EQ(readAll(path), "[General]\nfnKey=F9\n");
}

// At the next start the side files of saves a kill stopped half-way go: only those named as this writer names
// them, and only old ones (another copy of the program may be saving right now); a user's own files stay, and
// so does the lock beside the settings file.
TEST(AtomicFile, RemovesOnlyItsOwnStaleSideFiles) {
    QTemporaryDir dir;
    const QStringList kept{
        "Mivora.ini",          "memories.json.backup",   "memories.json.aB3dE9",
        "notes.mivora-save.x", "Mivora.ini.mivora-lock", "deleted.json.mivora-save.Ab12Cd"};
    for (const QString& name : kept)
        touch(dir.filePath(name), name == kept.last() ? 0 : 3600);
    touch(dir.filePath("memories.json.mivora-save.Zx9Qw1"), 3600);
    touch(dir.filePath("Mivora.ini.mivora-save.k2L0pm"), 120);
    EXPECT_EQ(AtomicFile::removeStale(dir.path()), 2);
    QStringList sorted = kept;
    sorted.sort();
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, sorted);
}

// Under the usual umask 022 a new file is still the user's alone; a file that is there keeps the mode its
// owner gave it (a list of defaults shared on purpose stays readable).
TEST(AtomicFile, ANewFileIsPrivateAndAReplacedOneKeepsItsMode) {
    QTemporaryDir dir;
    const mode_t before = ::umask(022);
    const QString fresh = dir.filePath("memories.json"), shared = dir.filePath("mimeapps.list");
    const bool written = AtomicFile::write(fresh, "{}") && AtomicFile::write(shared, "old") &&
                         ::chmod(QFile::encodeName(shared).constData(), 0644) == 0 &&
                         AtomicFile::write(shared, "new");
    ::umask(before);
    ASSERT_TRUE(written);
    EXPECT_EQ(QFile::permissions(fresh),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_TRUE(QFile::permissions(shared) & QFile::ReadOther);
}

// A file or folder whose owner took their own write right away is not written, though a rename would replace
// the file and root could write anywhere: the write fails with the system's reason and the file stays.
TEST(AtomicFile, AFileOrFolderItsOwnerMadeReadOnlyIsLeftAsItIs) {
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked"), file = dir.filePath("kept.list");
    ASSERT_TRUE(AtomicFile::write(file, "old") && QDir().mkdir(locked));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0500), 0);
    for (const QString& path : {file, locked + "/new.list"}) {
        const AtomicFile::Result result = AtomicFile::write(path, "new");
        EXPECT_EQ(result.failure, AtomicFile::Failure::other) << path.toStdString();
        EXPECT_EQ(result.reason, "Permission denied") << path.toStdString();
    }
    EXPECT_EQ(readAll(file), "old");
    EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.list"});
}

// A link to a file not made yet (dotfiles kept elsewhere, before their first save) stays a link, through a
// link to a link too: the file at its end is made.
TEST(AtomicFile, ALinkToAMissingFileStaysALink) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("dotfiles/mivora"));
    ASSERT_TRUE(QFile::link("mivora/Mivora.ini", dir.filePath("dotfiles/current.ini"))); // relative
    ASSERT_TRUE(QFile::link(dir.filePath("dotfiles/current.ini"), dir.filePath("Mivora.ini")));
    ASSERT_TRUE(AtomicFile::write(dir.filePath("Mivora.ini"), "[General]\n"));
    EXPECT_TRUE(QFileInfo(dir.filePath("Mivora.ini")).isSymLink());
    EXPECT_EQ(readAll(dir.filePath("dotfiles/mivora/Mivora.ini")), "[General]\n");
}

// After the move the folder is synced too (the new name is on the disk only then); when that fails the
// write is reported as failed, so the caller tries again.
TEST(AtomicFile, TheFolderIsSyncedAfterTheMove) {
    QTemporaryDir dir;
    const QString path = dir.filePath("memories.json");
    QList<QByteArray> folderSyncs; // what the file held at each folder sync
    const auto recording = [&](int fd) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return true;
        folderSyncs += readAll(path);
        return folderSyncs.size() == 1;
    };
    ASSERT_TRUE(AtomicFile::writeWith(path, "new", recording));
    EXPECT_EQ(folderSyncs, QList<QByteArray>{"new"});
    EXPECT_EQ(AtomicFile::writeWith(path, "newer", recording).failure, AtomicFile::Failure::other);
}

// A new version of the same size is later than the old one even when the clock has not moved on (here: the
// old file's time is ahead of it), so QSettings, which rereads a file only when its size or time changed,
// reads the new one.
TEST(AtomicFile, ANewVersionIsAlwaysLaterThanTheOld) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Mivora.ini");
    ASSERT_TRUE(AtomicFile::write(path, "[General]\nfnKey=F8\n"));
    const QDateTime ahead = QDateTime::currentDateTime().addSecs(3600);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(ahead, QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).value("fnKey"), "F8");
    ASSERT_TRUE(AtomicFile::write(path, "[General]\nfnKey=F9\n"));
    EXPECT_GT(QFileInfo(path).lastModified(), ahead);
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).value("fnKey"), "F9");
}
