#include "Support/BundleInfo.h"

#include "support/ScopedEnv.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

TEST(BundleInfo, OnlyNonEmptyStringsOfAReadableObjectArePresent) {
    QTemporaryDir dir;
    test::ScopedEnv env("MIVORA_INFO_JSON", dir.filePath("Info.json").toUtf8());
    // (file, value of "CFBundleVersion"); the file is read again on every call.
    const QString absent = "(absent)";
    // clang-format off
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {R"({"CFBundleVersion": "42", "Other": 1})", "42"}, {R"({"CFBundleVersion": 7})", absent},
        {R"({"CFBundleVersion": ""})", absent}, {R"({"CFBundleVersion": "1")", absent}, {"[]", absent}};
    // clang-format on
    for (const auto& [json, expected] : cases) {
        QFile f(BundleInfo::file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(json) == json.size());
        f.close();
        EXPECT_EQ(BundleInfo::value("CFBundleVersion").value_or(absent), expected) << json.toStdString();
    }
}
