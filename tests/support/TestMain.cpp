#include "MivoraUI/Kit/KitStyle.h"
#include "MivoraUI/Kit/ScrollAreaAccessible.h"
#include "Support/AppLog.h"

#include "support/PainterWarnings.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

QtMessageHandler qtDefault = nullptr;

// A widget that paints wrongly (a second painter on one device, a painter used after it ended, saves and
// restores out of step) only makes Qt print a warning; the test that made it happen fails on it.
void failOnPainterWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && mivora::test::isPainterWarning(message) &&
        ::testing::UnitTest::GetInstance()->current_test_info())
        ADD_FAILURE() << "Qt painter warning: " << message.toStdString();
    if (qtDefault) qtDefault(type, context, message);
}

} // namespace

// Every test process gets its own HOME and XDG folders, so no test reads or writes the real home.
int main(int argc, char** argv) {
    qtDefault = qInstallMessageHandler(failOnPainterWarnings);
    QTemporaryDir root(QDir::tempPath() + "/mivora-test-XXXXXX");
    const QString h = root.path() + "/home";
    QDir().mkpath(h);
    QDir().mkpath(root.path() + "/run");
    QFile::setPermissions(root.path() + "/run",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + "/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (h + "/.local/share").toUtf8());
    qputenv("XDG_STATE_HOME", (h + "/.local/state").toUtf8());
    qputenv("XDG_CACHE_HOME", (h + "/.cache").toUtf8());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", (root.path() + "/run").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mivora"));
    QApplication::setOrganizationName(QStringLiteral("Mivora"));
    mivora::KitStyle::install(); // as the program does
    mivora::ScrollAreaAccessible::install();
    ::testing::InitGoogleMock(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    mivora::AppLog::flush();
    return rc;
}
