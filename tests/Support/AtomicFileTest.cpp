#include "Support/AtomicFile.h"

#include "support/SmallDisk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

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
// them, and only old ones (another copy of the program may be saving right now); a user's own files stay.
TEST(AtomicFile, RemovesOnlyItsOwnStaleSideFiles) {
    QTemporaryDir dir;
    const QStringList kept{"Mivora.ini", "memories.json.backup", "memories.json.aB3dE9",
                           "notes.mivora-save.x", "deleted.json.mivora-save.Ab12Cd"};
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
// owner gave it (a list of defaults shared on purpose stays readable, a private one stays private).
TEST(AtomicFile, ANewFileIsPrivateAndAReplacedOneKeepsItsMode) {
    QTemporaryDir dir;
    struct Umask {
        mode_t before = ::umask(022);
        ~Umask() { ::umask(before); }
    } restore;
    const auto modeOf = [](const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(0);
    };
    for (const mode_t mask : {mode_t(022), mode_t(0)}) {
        ::umask(mask);
        const QString fresh = dir.filePath(QStringLiteral("new%1.json").arg(mask));
        ASSERT_TRUE(AtomicFile::write(fresh, "{}"));
        EXPECT_EQ(modeOf(fresh), 0600u) << "umask " << mask;
    }
    for (const mode_t kept : {mode_t(0644), mode_t(0600), mode_t(0640)}) {
        const QString shared = dir.filePath("mimeapps.list");
        ASSERT_TRUE(AtomicFile::write(shared, "old"));
        ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), kept), 0);
        ASSERT_TRUE(AtomicFile::write(shared, "new"));
        EXPECT_EQ(modeOf(shared), kept);
    }
}

// A settings file that is a link to a file not made yet (dotfiles kept elsewhere, before their first
// save) stays a link, through a link to a link too: the file at its end is made.
TEST(AtomicFile, ALinkToAMissingFileStaysALink) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("dotfiles/mivora"));
    const QString file = dir.filePath("dotfiles/mivora/Mivora.ini");
    const QString middle = dir.filePath("dotfiles/current.ini");
    const QString path = dir.filePath("Mivora.ini");
    ASSERT_TRUE(QFile::link("mivora/Mivora.ini", middle)); // relative to the link's own folder
    ASSERT_TRUE(QFile::link(middle, path));
    ASSERT_TRUE(AtomicFile::write(path, "[General]\nfnKey=F9\n"));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_TRUE(QFileInfo(middle).isSymLink());
    EXPECT_EQ(readAll(file), "[General]\nfnKey=F9\n");

    // A loop of links names no file: nothing is written and no link is replaced.
    ASSERT_TRUE(QFile::link("loop-b", dir.filePath("loop-a")));
    ASSERT_TRUE(QFile::link("loop-a", dir.filePath("loop-b")));
    EXPECT_FALSE(AtomicFile::write(dir.filePath("loop-a"), "x"));
    EXPECT_TRUE(QFileInfo(dir.filePath("loop-a")).isSymLink());
}

// The folder is synced after the move (the new name is on the disk only then); a folder sync that fails is
// reported, so the caller tries again.
TEST(AtomicFile, TheFolderIsSyncedAfterTheMove) {
    QTemporaryDir dir;
    const QString path = dir.filePath("memories.json");
    ASSERT_TRUE(AtomicFile::write(path, "old"));
    struct Call {
        bool folder;
        QByteArray inPlace;
    };
    std::vector<Call> calls;
    bool failFolder = false;
    const auto recording = [&](int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        calls.push_back({S_ISDIR(st.st_mode), readAll(path)});
        return !(failFolder && S_ISDIR(st.st_mode));
    };
    ASSERT_TRUE(AtomicFile::writeWith(path, "new", recording));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[0].folder);
    EXPECT_EQ(calls[0].inPlace, "old");
    EXPECT_TRUE(calls[1].folder);
    EXPECT_EQ(calls[1].inPlace, "new");

    failFolder = true;
    EXPECT_EQ(AtomicFile::writeWith(path, "newer", recording).failure, AtomicFile::Failure::other);
}
