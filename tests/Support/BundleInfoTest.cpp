#include "Support/BundleInfo.h"

#include "support/ScopedEnv.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;
using mivora::test::ScopedEnv;

namespace {

class BundleInfoTest : public testing::Test {
protected:
    void writeInfo(const QByteArray& json) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(json);
    }
    void TearDown() override { BundleInfo::reset(); }

    QTemporaryDir dir;
    QString path = dir.filePath("Info.json");
    ScopedEnv env{"MIVORA_INFO_JSON", path.toUtf8()};
};

} // namespace

TEST_F(BundleInfoTest, OnlyNonEmptyStringsArePresent) {
    writeInfo(R"({"YarrikProxyURL": "https://relay.example/v1/", "CFBundleVersion": 7,
                  "YarrikProxyToken": "", "SUFeedURL": null, "YarrikKeychainGroup": {"a": "b"},
                  "CFBundleShortVersionString": "1.2.3"})");
    EXPECT_EQ(BundleInfo::file(), path);
    EXPECT_EQ(BundleInfo::value("YarrikProxyURL"), "https://relay.example/v1/");
    EXPECT_EQ(BundleInfo::value("CFBundleShortVersionString"), "1.2.3");
    for (const char* absent :
         {"CFBundleVersion", "YarrikProxyToken", "SUFeedURL", "YarrikKeychainGroup", "Nope"})
        EXPECT_FALSE(BundleInfo::value(absent)) << absent;
}

TEST_F(BundleInfoTest, MissingOrBrokenFilesGiveNothing) {
    EXPECT_FALSE(BundleInfo::value("CFBundleVersion")); // no file yet
    for (const QByteArray& broken :
         {QByteArray("{\"CFBundleVersion\": \"1\""), QByteArray("[\"CFBundleVersion\"]"), QByteArray("")}) {
        writeInfo(broken);
        EXPECT_FALSE(BundleInfo::value("CFBundleVersion")) << broken.toStdString();
    }
    // The file is read again on every call.
    writeInfo(R"({"CFBundleVersion": "42"})");
    EXPECT_EQ(BundleInfo::value("CFBundleVersion"), "42");
}

TEST_F(BundleInfoTest, OverrideReplacesTheFileUntilReset) {
    writeInfo(R"({"YarrikProxyURL": "https://file.example/v1/", "CFBundleVersion": "3"})");
    BundleInfo::setOverride(QJsonObject{{"YarrikProxyURL", "http://127.0.0.1:9/v1/"}});
    EXPECT_EQ(BundleInfo::value("YarrikProxyURL"), "http://127.0.0.1:9/v1/");
    EXPECT_FALSE(BundleInfo::value("CFBundleVersion")); // the override replaces, it does not merge
    BundleInfo::reset();
    EXPECT_EQ(BundleInfo::value("YarrikProxyURL"), "https://file.example/v1/");
    EXPECT_EQ(BundleInfo::value("CFBundleVersion"), "3");
}

TEST(BundleInfo, DefaultsToInfoJsonBesideTheExecutable) {
    ScopedEnv env("MIVORA_INFO_JSON", nullptr);
    EXPECT_EQ(BundleInfo::file(), QCoreApplication::applicationDirPath() + "/Info.json");
}

TEST(BundleInfo, TheBuildWritesAValidInfoJson) {
    QFile f(MIVORA_APP_INFO_JSON);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << MIVORA_APP_INFO_JSON;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(doc.object().value("CFBundleShortVersionString").toString(), MIVORA_VERSION);
    EXPECT_FALSE(doc.object().value("CFBundleVersion").toString().isEmpty());
}
