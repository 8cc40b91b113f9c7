#include "Support/AppLog.h"
#include "Support/Defaults.h"
#include "Support/SettingsIni.h"

#include "support/SmallDisk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    {
        QFile f(mine);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ours);
    }
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
}
