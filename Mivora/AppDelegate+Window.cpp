#include "AppDelegate.h"

#include "MainWindow.h"
#include "Support/Defaults.h"

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
        mainWindow_ = new MainWindow(model(), memories_, env_.clock, env_.defaults);
        mainWindow_->place(env_.defaults.value(geometryKey).toByteArray());
        mainWindow_->onClose = [this] { windowClosed(); };
    }
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
    model().setWindowVisible(true);
}

void AppDelegate::windowClosed() {
    env_.defaults.setValue(geometryKey, mainWindow_->saveGeometry());
    setup_.stopPolling();
    model().setWindowVisible(false);
    updateStatusIcon();
}

} // namespace mivora
