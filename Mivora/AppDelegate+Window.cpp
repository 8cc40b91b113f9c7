#include "AppDelegate.h"

#include "MainWindow.h"
#include "Support/Defaults.h"

#include <QCoreApplication>

namespace mivora {

namespace {
// Where the main window's frame is kept between runs.
const QString geometryKey = QStringLiteral("MivoraMain");
} // namespace

void AppDelegate::showMain(std::optional<AppModel::Section> section) {
    if (selfTest_) return;
    setup_.refresh();
    setup_.startPolling();
    if (section) model().open(*section);
    if (!mainWindow_) {
        mainWindow_ = new MainWindow(model());
        mainWindow_->place(env_.defaults.value(geometryKey).toByteArray());
        mainWindow_->onClose = [this] { windowClosed(); };
        mainWindow_->onVisibility = [this](bool visible) { model().setWindowVisible(visible); };
        // The close is not the only way out: the program may end with the window open.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, mainWindow_,
                [this] { saveWindowFrame(); });
    }
    // A minimised window stays iconic through show() alone: on a desktop without a task bar the tray and a
    // second start are then the only ways back to it. Maximised or full screen stays as it was.
    if (mainWindow_->windowState() & Qt::WindowMinimized)
        mainWindow_->setWindowState((mainWindow_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
    model().setWindowVisible(true);
}

void AppDelegate::saveWindowFrame() {
    if (mainWindow_) env_.defaults.setValue(geometryKey, mainWindow_->saveGeometry());
}

void AppDelegate::windowClosed() {
    saveWindowFrame();
    setup_.stopPolling();
    model().setWindowVisible(false);
    updateStatusIcon();
}

void AppDelegate::closeMainWindow() {
    delete mainWindow_.data();
}

} // namespace mivora
