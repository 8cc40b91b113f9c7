#include "Support/PrivateFiles.h"

#include "support/ScopedUmask.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace mivora;
using mivora::test::modeOf;

namespace {

bool make(const QString& path, mode_t mode) {
    const bool made = path.endsWith('/') ? QDir().mkpath(path) : QFile(path).open(QIODevice::WriteOnly);
    return made && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

// Tightening takes the group's and others' rights away and nothing else: a folder or file the user made
// read-only for themselves stays read-only, at the top as deeper down, and a folder that is made again
// keeps its owner's rights too.
TEST(PrivateFiles, TighteningTakesAwayOnlyWhatOthersMayDo) {
    QTemporaryDir dir;
    const QString top = dir.filePath("Mivora/");
    const std::vector<std::pair<QString, mode_t>> given{
        {top, 0555},
        {top + "open.json", 0644},
        {top + "kept.json", 0444},
        {top + "old/", 0755},
        {top + "locked/", 0500},
        {top + "locked/deep.json", 0640},
        {top + "mine.ini", 0600},
    };
    for (const auto& [path, mode] : given)
        ASSERT_TRUE(make(path, 0700)) << path.toStdString();
    // Their modes deepest first, so a read-only folder is read-only only once its contents are in.
    for (auto it = given.rbegin(); it != given.rend(); ++it)
        ASSERT_EQ(::chmod(QFile::encodeName(it->first).constData(), it->second), 0);

    PrivateFiles::tighten(top);
    QStringList modes;
    for (const auto& [path, mode] : given)
        modes << modeOf(path);
    EXPECT_EQ(modes, (QStringList{"500", "600", "400", "700", "500", "600", "600"}));

    for (const auto& [folder, before, after] :
         {std::tuple{dir.filePath("shared"), 0775, "700"}, {dir.filePath("readonly"), 0555, "500"}}) {
        ASSERT_TRUE(make(folder + '/', mode_t(before)));
        EXPECT_EQ(PrivateFiles::makeFolder(folder), 0);
        EXPECT_EQ(modeOf(folder), after);
    }
}
