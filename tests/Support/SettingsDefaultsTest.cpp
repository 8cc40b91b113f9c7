#include "Support/AppLog.h"
#include "Support/Defaults.h"
#include "Support/SettingsIni.h"

#include "support/SmallDisk.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace mivora;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray logBytes() {
    AppLog::flush();
    return readAll(AppLog::file());
}

// Root reads any file whatever its mode: while this lives, the calling thread (the one that saves) is held
// to the mode bits as every other user is. Nothing changes when the tests do not run as root.
struct ModeBitsOnly {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{}, fewer[2]{};
    ModeBitsOnly() {
        ::syscall(SYS_capget, &header, saved);
        fewer[0] = saved[0];
        fewer[1] = saved[1];
        fewer[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header, fewer);
    }
    ~ModeBitsOnly() { ::syscall(SYS_capset, &header, saved); }
};

// What each of the two processes below does: keys of its own, and a save after each one.
void setKeysSavingAfterEach(const QString& file, const QString& prefix) {
    SettingsDefaults settings(file);
    // Syncing to the disk has no part in what the processes could lose, and 4,000 syncs take long.
    settings.setWriter([](const QString& path, const QByteArray& data) {
        return AtomicFile::writeWith(path, data, [](int) { return true; });
    });
    for (int i = 0; i < 1000; ++i) {
        settings.setValue(prefix + QString::number(i), i);
        settings.save();
    }
    EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::none);
}

constexpr char secondProcessFile[] = "MIVORA_TEST_SETTINGS_FILE";

} // namespace

// The file stays the one users edit by hand: for every kind of value the program keeps (and texts with
// every character that INI escapes or quotes), the bytes are QSettings' own, and QSettings reads them back.
TEST(SettingsIni, WritesTheBytesQSettingsWrites) {
    QMap<QString, QVariant> values{
        {"fnKey", "F9"},
        {"onboardingDone", true},
        {"stats.total", qint64(123456789012)},
        {"stats.day", "2025-03-07"},
        {"suggest.enabled", false},
        {"window.geometry", QByteArray("\x01\xd9\xd0\xcb\x00\x03\x00\x00\x00\x30\x7f\xff\x41", 13)},
        {"suggest.ignored", QVariantMap{{"org.gnome.Terminal", QVariantMap{{"x", 1}}}, {"中文", true}}},
        {"list", QStringList{"a", " b", "c,d"}},
        {"one", QStringList{"only"}},
        {"none", QStringList{}},
        {"ratio", 0.1},
        {"@at", "@at"},
        {"Group/sub/key", 1.5},
        {"General/x", "y"},
        {"empty", ""},
        {"scale", 1.5f},
        {"tiny", 0.1f},
        {"withNul", QString::fromUtf8("a\0b", 3)},
        {"atNul", QString::fromUtf8("@\0", 2)},
        {"listNul", QStringList{QString::fromUtf8("\0", 1), "x"}},
    };
    // Texts from the characters that matter to the escaping: controls, quotes, separators, hex digits after
    // an escape, spaces at either end, Latin-1 and CJK.
    const QString pool = QStringLiteral("\x01\t\n\"\\ ,;=#@%/aF09gz é中\x7f\u00ff\uFEFF");
    QRandomGenerator random(7);
    for (int i = 0; i < 200; ++i) {
        QString text;
        for (int n = random.bounded(8); n >= 0; --n)
            text += pool[random.bounded(int(pool.size()))];
        values.insert(QStringLiteral("text%1").arg(i, 3, 10, QLatin1Char('0')), text);
        values.insert(QStringLiteral("key%1 %2").arg(i).arg(text.remove(u'/')), i);
    }
    QTemporaryDir dir;
    const QString file = dir.filePath("Mivora.ini");
    {
        QSettings settings(file, QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            settings.setValue(it.key(), it.value());
    }
    const QByteArray ours = SettingsIni::write(values);
    EXPECT_EQ(ours.toStdString(), readAll(file).toStdString());

    // Either file reads back the same: a text with a NUL whole, a float as the text of its number.
    const QString mine = dir.filePath("ours.ini");
    ASSERT_TRUE(AtomicFile::write(mine, ours));
    const QMap<QString, QVariant> read = SettingsIni::read(mine);
    EXPECT_EQ(read, SettingsIni::read(file));
    EXPECT_EQ(read.value("withNul"), QString::fromUtf8("a\0b", 3));
    EXPECT_EQ(read.value("atNul"), QString::fromUtf8("@\0", 2));
    EXPECT_EQ(read.value("listNul").toStringList(), (QStringList{QString::fromUtf8("\0", 1), "x"}));
    EXPECT_EQ(read.value("scale"), "1.5");
}

// A settings file over a page long, on a disk with nothing left or one page free: the writes leave the file
// as it was, say so in the log, and keep the new values in memory; once there is room, the next write (or the
// store's end, the program quitting) puts every one of them in the file.
TEST(Settings, AFullDiskKeepsTheFileAndTheValuesUntilThereIsRoom) {
    QTemporaryDir dir;
    test::SmallDisk disk(dir.path());
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.error();
    const QString file = dir.path() + "/config/Mivora/Mivora.ini";
    for (qint64 spare : {0, 4096}) {
        QFile::remove(file);
        {
            SettingsDefaults settings(file);
            settings.setValue("fnKey", "F9");
            settings.setValue("onboardingDone", true);
            settings.setValue("cloudDeviceID", QString(5000, u'x'));
            QCoreApplication::processEvents(); // the queued write
            const QByteArray before = readAll(file);
            ASSERT_GT(before.size(), 4096);

            disk.fill(spare);
            int told = 0;
            settings.saveFailureChanged = [&] { ++told; };
            const QByteArray logBefore = logBytes();
            settings.setValue("fnKey", "F8");
            settings.setValue("stats.total", 42);
            settings.save();
            EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::diskFull);
            EXPECT_TRUE(readAll(file) == before) << spare << ": " << readAll(file).size();
            EXPECT_EQ(QDir(dir.path() + "/config/Mivora").entryList(QDir::Files | QDir::Hidden),
                      (QStringList{"Mivora.ini", "Mivora.ini.mivora-lock"})); // no side file left
            EXPECT_EQ(settings.value("fnKey"), "F8");
            EXPECT_TRUE(logBytes().mid(logBefore.size()).contains("磁盘满了，设置没存上"));
            EXPECT_EQ(told, 1);

            disk.empty();
            if (spare == 0) {
                settings.setValue("suggest.enabled", false);
                QCoreApplication::processEvents();
                EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::none);
                EXPECT_EQ(told, 2);
            }
            settings.saveFailureChanged = nullptr;
        }
        const QSettings after(file, QSettings::IniFormat);
        EXPECT_EQ(after.value("fnKey"), "F8") << spare;
        EXPECT_EQ(after.value("stats.total"), "42");
        EXPECT_EQ(after.value("onboardingDone"), "true");
        EXPECT_EQ(after.value("cloudDeviceID").toString().size(), 5000);
        EXPECT_EQ(after.contains("suggest.enabled"), spare == 0);
    }
}

// A disk with no room for one more file, before the first save: no lock beside the file (or no folder) can
// be made, and that is said as a full disk too.
TEST(Settings, NoRoomForTheLockOrTheFolderIsAFullDisk) {
    QTemporaryDir dir;
    test::SmallDisk disk(dir.path(), "size=1m,nr_inodes=8");
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.error();
    for (int i = 0; QFile(dir.filePath(QString::number(i))).open(QIODevice::WriteOnly); ++i) {
    }
    for (const QString& file : {dir.filePath("Mivora.ini"), dir.filePath("config/Mivora/Mivora.ini")}) {
        SettingsDefaults settings(file);
        settings.setValue("fnKey", "F8");
        settings.save();
        EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::diskFull) << file.toStdString();
    }
}

// Two copies of the program share the file: a key one of them wrote stays when the other writes its own.
TEST(Settings, AWriteKeepsWhatAnotherCopyWroteMeanwhile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Mivora.ini");
    SettingsDefaults first(file), second(file);
    first.setValue("fnKey", "F8");
    first.save();
    second.setValue("cloudDeviceID", "device");
    second.save();
    EXPECT_EQ(SettingsDefaults(file).value("fnKey"), "F8");
    EXPECT_EQ(second.value("fnKey"), "F8");

    // A value chosen again is written even when it equals the one this copy holds: the other copy may have
    // written another one meanwhile.
    second.setValue("fnKey", "F9");
    second.save();
    first.setValue("fnKey", "F8");
    first.save();
    EXPECT_EQ(SettingsDefaults(file).value("fnKey"), "F8");
}

// Two processes (the program and a command-line run, or two copies) each set 1,000 keys of their own and save
// after each: every key of both is in the file at the end. The second process is this test binary again,
// running this test in its other part.
TEST(Settings, TwoProcessesSavingAfterEveryKeyLoseNone) {
    if (const QString file = qEnvironmentVariable(secondProcessFile); !file.isEmpty())
        return setKeysSavingAfterEach(file, "second.");
    QTemporaryDir dir;
    const QString file = dir.filePath("Mivora.ini");
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(secondProcessFile, file);
    second.setProcessEnvironment(environment);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(QCoreApplication::applicationFilePath(),
                 {"--gtest_filter=Settings.TwoProcessesSavingAfterEveryKeyLoseNone"});
    // This one starts once the other's first key is in the file: both save at the same time.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return SettingsIni::read(file).contains("second.0") || second.state() == QProcess::NotRunning;
        },
        60000));
    setKeysSavingAfterEach(file, "first.");
    ASSERT_TRUE(second.waitForFinished(90000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();
    const QMap<QString, QVariant> values = SettingsIni::read(file);
    int lost = 0;
    for (int i = 0; i < 1000; ++i)
        for (const QString prefix : {"first.", "second."})
            lost += values.value(prefix + QString::number(i)) != QString::number(i);
    EXPECT_EQ(lost, 0);
}

// While another process holds the lock a save waits for it, but a holder killed (it cannot let go itself)
// does not keep it waiting.
TEST(Settings, ASaveWaitsForAnotherProcessButNotForAKilledOne) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Mivora.ini");
    QProcess holder;
    holder.start("sh",
                 {"-c", "exec 9>>\"$0\" && flock 9 && echo locked && exec sleep 600", file + ".mivora-lock"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return holder.canReadLine(); }, 30000));
    std::thread killer([pid = pid_t(holder.processId())] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(pid, SIGKILL);
    });
    QElapsedTimer waited;
    waited.start();
    SettingsDefaults settings(file);
    settings.setValue("fnKey", "F8");
    settings.save();
    EXPECT_GE(waited.elapsed(), 500);
    killer.join();
    holder.waitForFinished();
    EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::none);
}

// A settings file that is there but cannot be read is never written over: the save fails, says so in the log
// (and so to the settings page) and keeps the values; once the file can be read, they are merged into it.
TEST(Settings, AFileThatCannotBeReadIsNeverWrittenOver) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Mivora.ini");
    const QByteArray three = "[General]\nfnKey=F9\nonboardingDone=true\nstats.total=12\n";
    ASSERT_TRUE(AtomicFile::write(file, three));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0200), 0);
    const ModeBitsOnly asAUser;
    SettingsDefaults settings(file);
    const QByteArray logBefore = logBytes();
    settings.setValue("fnKey", "F7");
    settings.save();
    EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::other);
    EXPECT_TRUE(logBytes().mid(logBefore.size()).contains("设置文件读不了，没有写它"));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_EQ(readAll(file), three);
    settings.save();
    EXPECT_EQ(readAll(file), "[General]\nfnKey=F7\nonboardingDone=true\nstats.total=12\n");
}

// A settings file or folder the user made read-only for themselves is never written, even where the system
// would let the program (a file is replaced by a rename; root passes every check): the save fails, says
// which in the log, leaves no lock file, keeps the values, and goes through once the right is given back.
TEST(Settings, AFileOrFolderMadeReadOnlyIsNeverWritten) {
    const QByteArray two = "[General]\nfnKey=F9\nstats.total=12\n";
    for (const auto& [readOnly, said] : {std::pair{"Mivora.ini", "设置文件是只读的，没有写它"},
                                         std::pair{"", "设置文件夹是只读的，没有写它"}}) {
        QTemporaryDir dir;
        const QString file = dir.filePath("Mivora.ini"), made = dir.filePath(readOnly);
        ASSERT_TRUE(AtomicFile::write(file, two));
        ASSERT_EQ(::chmod(QFile::encodeName(made).constData(), QFileInfo(made).isDir() ? 0500 : 0444), 0);
        SettingsDefaults settings(file);
        const QByteArray logBefore = logBytes();
        settings.setValue("fnKey", "F7");
        settings.save();
        EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::other) << readOnly;
        EXPECT_TRUE(logBytes().mid(logBefore.size()).contains(said)) << readOnly;
        EXPECT_EQ(readAll(file), two) << readOnly;
        EXPECT_FALSE(QFileInfo::exists(file + ".mivora-lock")) << readOnly;
        EXPECT_EQ(settings.value("fnKey"), "F7");

        ASSERT_EQ(::chmod(QFile::encodeName(made).constData(), QFileInfo(made).isDir() ? 0700 : 0600), 0);
        settings.save();
        EXPECT_EQ(settings.saveFailure(), AtomicFile::Failure::none) << readOnly;
        EXPECT_EQ(readAll(file), "[General]\nfnKey=F7\nstats.total=12\n") << readOnly;
    }
}

// A store that keeps its changes in memory (a run that must leave the user's settings alone) reads the file
// and answers with its own changes, but writes nothing: neither on a save nor when it goes.
TEST(Settings, AStoreKeepingItsChangesInMemoryNeverWritesTheFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Mivora.ini");
    const QByteArray two = "[General]\nfnKey=F9\nstats.total=12\n";
    ASSERT_TRUE(AtomicFile::write(file, two));
    {
        SettingsDefaults settings(file, SettingsDefaults::Saving::inMemoryOnly);
        EXPECT_EQ(settings.value("stats.total").toLongLong(), 12);
        settings.setValue("stats.total", 13);
        settings.remove("fnKey");
        settings.save();
        QCoreApplication::processEvents();
        EXPECT_EQ(settings.value("stats.total").toLongLong(), 13);
        EXPECT_FALSE(settings.contains("fnKey"));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(readAll(file), two);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Mivora.ini"});
}

// Under the usual umask 022 the folders the store makes for its file are the user's alone.
TEST(Settings, TheFoldersItMakesAreTheUsersAlone) {
    QTemporaryDir dir;
    const mode_t before = ::umask(022);
    SettingsDefaults(dir.path() + "/config/Mivora/Mivora.ini").setValue("fnKey", "F8");
    ::umask(before);
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                           QFile::WriteUser | QFile::ExeUser;
    for (const QString folder : {"/config", "/config/Mivora"})
        EXPECT_EQ(QFile::permissions(dir.path() + folder), ownerOnly) << folder.toStdString();
}
