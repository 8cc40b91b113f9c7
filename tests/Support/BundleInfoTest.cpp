#include "Support/BundleInfo.h"

#include "support/ScopedEnv.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

TEST(BundleInfo, OnlyStringsArePresentAndTheFileIsReadOnEveryCall) {
    QTemporaryDir dir;
    test::ScopedEnv env("MIVORA_INFO_JSON", dir.filePath("Info.json").toUtf8());
    for (const auto& [json, expected] :
         {std::pair<QByteArray, QString>{R"({"CFBundleVersion": "42", "O": 1})", "42"},
          {R"({"CFBundleVersion": 7})", "(absent)"}}) {
        QFile f(BundleInfo::file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(json) == json.size());
        f.close();
        EXPECT_EQ(BundleInfo::value("CFBundleVersion").value_or("(absent)"), expected) << json.toStdString();
    }
}
