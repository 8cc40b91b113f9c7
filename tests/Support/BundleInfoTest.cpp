#include "Support/BundleInfo.h"

#include "support/ScopedEnv.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
