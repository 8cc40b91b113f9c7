#include "Support/Defaults.h"

#include "support/TestMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

TEST(SettingsDefaults, ValuesSurviveARoundTripThroughTheFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Mivora.ini");
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1741338902, Qt::UTC);
    {
        SettingsDefaults d(file);
        d.setValue("onboardingDone", true);
        d.setValue("typingSuggestEnabled", false);
        d.setValue("stats.total", qint64(9'000'000'000));
        d.setValue("stats.day", "2025-3-7");
        d.setValue("cloudDeviceID", QStringLiteral("设备-1"));
        d.setValue("typingIgnored", QStringList{"dizhi", "地址"});
        d.setValue("one", QStringList{"only"});
        d.setValue("none", QStringList{});
        d.setValue("ratio", 0.25);
        d.setValue("when", when);
        d.setValue("gone", 1);
        d.remove("gone");
    }
    const SettingsDefaults d(file);
    EXPECT_TRUE(d.value("onboardingDone").toBool());
    EXPECT_TRUE(d.contains("typingSuggestEnabled"));
    EXPECT_FALSE(d.value("typingSuggestEnabled").toBool());
    EXPECT_EQ(d.value("stats.total").toLongLong(), 9'000'000'000);
    EXPECT_EQ(d.value("stats.day").toString(), "2025-3-7");
    EXPECT_EQ(d.value("cloudDeviceID").toString(), QStringLiteral("设备-1"));
    EXPECT_EQ(d.value("typingIgnored").toStringList(), (QStringList{"dizhi", "地址"}));
    EXPECT_EQ(d.value("one").toStringList(), QStringList{"only"});
    EXPECT_TRUE(d.contains("none"));
    EXPECT_TRUE(d.value("none").toStringList().isEmpty());
    EXPECT_EQ(d.value("ratio").toDouble(), 0.25);
    EXPECT_EQ(d.value("when").toDateTime(), when);
    EXPECT_FALSE(d.contains("gone"));
    EXPECT_FALSE(d.value("never").isValid());
}

TEST(SettingsDefaults, TheStandardStoreLivesInTheConfigFolder) {
    {
        SettingsDefaults d;
        d.setValue("probe", 5);
    }
    QFile f(test::home() + "/.config/Mivora/Mivora.ini");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("probe=5"));
    SettingsDefaults again;
    EXPECT_EQ(again.value("probe").toInt(), 5);
    again.remove("probe");
}
