#include "Modes/Renderer.h"
#include "support/Render.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

// Distinct colours of a drawing, up to `enough`.
int colours(const QImage& image, int enough) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            seen.insert(image.pixel(x, y));
            if (seen.size() >= enough) return enough;
        }
    return seen.size();
}

} // namespace

// The real program draws every screen without a desktop: each picture is listed, written at its listed size,
// holds more than a flat colour, and its texts use only characters the fonts have (no boxes).
TEST(RenderMode, DrawsEveryScreenInBothAppearances) {
    QTemporaryDir out;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // the program chooses offscreen itself
    env.remove("DISPLAY");
    process.setProcessEnvironment(env);
    process.start(MIVORA_APP_PATH, {"-render", out.path()});
    ASSERT_TRUE(process.waitForFinished(240000));
    const QString said = QString::fromUtf8(process.readAllStandardError());
    ASSERT_EQ(process.exitCode(), 0) << said.toStdString();
    EXPECT_FALSE(said.contains("propagateSizeHints")) << said.toStdString();

    QFile indexFile(QDir(out.path()).filePath("index.json"));
    ASSERT_TRUE(indexFile.open(QIODevice::ReadOnly));
    const QJsonArray index = QJsonDocument::fromJson(indexFile.readAll()).array();
    QSet<QString> names;
    for (const QJsonValue& value : index) {
        const QJsonObject entry = value.toObject();
        const QString file = entry.value("file").toString();
        names.insert(file);
        const QImage image(QDir(out.path()).filePath(file));
        ASSERT_FALSE(image.isNull()) << file.toStdString();
        EXPECT_EQ(image.size(), QSize(entry.value("width").toInt(), entry.value("height").toInt()))
            << file.toStdString();
        EXPECT_GE(colours(image, 3), 3) << file.toStdString() << " is blank";
        EXPECT_EQ(entry.value("missingGlyphs").toInt(), 0) << file.toStdString() << " draws boxes";
        test::saveArtefact(image, "render/" + QFileInfo(file).completeBaseName());
    }
    const QStringList screens =
        QStringLiteral("hud-listening hud-processing hud-done hud-notice-error hud-choosing kit-keys "
                       "memories-samples memories-empty suggest-strip steps-none steps-all window-welcome "
                       "welcome-1-hero welcome-2-permissions welcome-6-done window-home window-tutorial "
                       "window-memories window-settings lesson-dictate lesson-recall lesson-typing "
                       "account-not-configured account-email-step account-code-step account-sync-synced "
                       "account-sync-recovery-code account-sync-failed")
            .split(' ');
    for (const QString& expected : screens)
        for (const char* appearance : {"-light.png", "-dark.png"})
            EXPECT_TRUE(names.contains(expected + appearance)) << expected.toStdString() << appearance;
    const QImage memories(QDir(out.path()).filePath("memories-samples-light.png"));
    EXPECT_EQ(memories.size(), QSize(680, 440));
}

// A picture that cannot be written (a folder stands where it goes) fails the run, and the run names it; the
// others are still drawn and listed.
TEST(RenderMode, ExitsNonZeroNamingThePictureItCouldNotWrite) {
    QTemporaryDir out;
    ASSERT_TRUE(QDir(out.path()).mkpath("hud-done-light.png"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    process.setProcessEnvironment(env);
    process.start(MIVORA_APP_PATH, {"-render", out.path()});
    ASSERT_TRUE(process.waitForFinished(240000));
    const QString complaint = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 1) << complaint.toStdString();
    EXPECT_TRUE(complaint.contains("截图没有全部写进 " + out.path())) << complaint.toStdString();
    EXPECT_TRUE(complaint.contains("  hud-done-light.png\n")) << complaint.toStdString();
    EXPECT_FALSE(complaint.contains("hud-done-dark.png")) << complaint.toStdString();
    EXPECT_TRUE(QFile::exists(QDir(out.path()).filePath("hud-done-dark.png")));
    EXPECT_TRUE(QFile::exists(QDir(out.path()).filePath("index.json")));
}

// A folder that cannot be made (a file stands in its path): every picture and the index are named.
TEST(Renderer, NamesEveryFileItCouldNotWrite) {
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    Renderer renderer(dir.filePath("plain/shots"));
    renderer.shoot("label", [] { return new QLabel(QStringLiteral("一")); });
    EXPECT_EQ(renderer.finish(), (QStringList{"label-light.png", "label-dark.png", "index.json"}));

    Renderer fine(dir.filePath("shots"));
    fine.shoot("label", [] { return new QLabel(QStringLiteral("一")); });
    EXPECT_EQ(fine.finish(), QStringList());
}

// On a full disk every picture the run could not write is named, and none is left behind empty.
TEST(Renderer, OnAFullDiskNamesEveryPictureAndLeavesNoEmptyFile) {
    QTemporaryDir dir;
    test::SmallDisk disk(dir.path());
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.error();
    QDir().mkpath(dir.filePath("shots"));
    disk.fill();
    Renderer renderer(dir.filePath("shots"));
    for (const QString name : {"one", "two", "three"})
        renderer.shoot(name, [&] { return new QLabel(name); });
    EXPECT_EQ(renderer.finish(),
              QStringList({"one-light.png", "one-dark.png", "two-light.png", "two-dark.png",
                           "three-light.png", "three-dark.png", "index.json"}));
    EXPECT_EQ(QDir(dir.filePath("shots")).entryList(QDir::Files | QDir::Hidden), QStringList());
}
