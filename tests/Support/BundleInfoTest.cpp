#include "Support/BundleInfo.h"

#include "support/ScopedEnv.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace mivora;

namespace {

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

// The file is read once and again only when it changes, moves or goes.
TEST(BundleInfo, FollowsTheFileAsItChanges) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Info.json");
    test::ScopedEnv env("MIVORA_INFO_JSON", path.toUtf8());
    EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), std::nullopt);
    put(path, R"({"YarrikProxyToken": "t1"})");
    EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), "t1");
    put(path, R"({"YarrikProxyToken": "t22", "SUFeedURL": ""})");
    EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), "t22");
    EXPECT_EQ(BundleInfo::value("SUFeedURL"), std::nullopt);
    const QString other = dir.filePath("Other.json");
    put(other, R"({"YarrikProxyToken": "t3"})");
    {
        test::ScopedEnv moved("MIVORA_INFO_JSON", other.toUtf8());
        EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), "t3");
    }
    QFile::remove(path);
    EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), std::nullopt);
}

// A rewrite of the same length within one step of the file's times (the times and the size all as before)
// is still read: tries until ten such rewrites happened, each timed as it happens.
TEST(BundleInfo, ARewriteWithinOneTimestampStepIsRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Info.json");
    test::ScopedEnv env("MIVORA_INFO_JSON", path.toUtf8());
    const auto info = [](const QString& token) {
        return R"({"YarrikProxyToken": ")" + token.toUtf8() + "\"}";
    };
    int sameStep = 0;
    for (int i = 10000; i < 30000 && sameStep < 10; ++i) {
        const QString before = "a" + QString::number(i), after = "b" + QString::number(i);
        put(path, info(before));
        const QFileInfo first(path);
        const auto stamp = std::tuple(first.lastModified(), first.metadataChangeTime());
        ASSERT_EQ(BundleInfo::value("YarrikProxyToken"), before);
        put(path, info(after));
        const QFileInfo second(path);
        if (std::tuple(second.lastModified(), second.metadataChangeTime()) != stamp) continue;
        ++sameStep;
        EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), after);
    }
    if (sameStep == 0) GTEST_SKIP() << "no rewrite landed within one step of the file's times";
}

// Only a regular file of a sensible size is read: a pipe would block the start for ever (on the open
// already, with no writer), and a file that never ends would fill the memory. Both are named, not read.
TEST(BundleInfo, OnlyARegularFileOfASensibleSizeIsRead) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath("Info.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    {
        test::ScopedEnv env("MIVORA_INFO_JSON", pipe.toUtf8());
        EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), std::nullopt);
        EXPECT_EQ(BundleInfo::problem(),
                  "MIVORA_INFO_JSON 指定的文件 " + pipe + " 不是普通文件（像是管道或设备），不会去读它");
    }
    const QString large = dir.filePath("Large.json");
    put(large, R"({"YarrikProxyToken": "t1", "padding": ")" + QByteArray(1 << 20, 'x') + "\"}");
    test::ScopedEnv env("MIVORA_INFO_JSON", large.toUtf8());
    EXPECT_EQ(BundleInfo::value("YarrikProxyToken"), std::nullopt);
    EXPECT_EQ(BundleInfo::problem(),
              "MIVORA_INFO_JSON 指定的文件 " + large + " 太大（超过 1 MB），不像是 Info.json");
}
