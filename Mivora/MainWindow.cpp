#include "MainWindow.h"

#include "EditMenu.h"
#include "MivoraUI/Window/MainView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

namespace mivora {

MainWindow::MainWindow(AppModel& model, QWidget* parent)
    : QMainWindow(parent), view_(new MainView(model, this)) {
    setWindowTitle(QStringLiteral("Veskel"));
    setObjectName(QStringLiteral("MivoraMain"));
    setCentralWidget(view_);
    menuBar()->addMenu(EditMenu::make(this));
}

void MainWindow::place(const QByteArray& savedGeometry) {
    // 960 × 640 is the content's size; the menu bar comes on top of it.
    const QSize standard(width, height + menuBar()->sizeHint().height());
    resize(standard);
    centre();
    if (!savedGeometry.isEmpty()) restoreGeometry(savedGeometry);
    if (frameGeometry().width() < narrowest) {
        resize(standard);
        centre();
    }
}

void MainWindow::centre() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    if (onClose) onClose();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && onVisibility && isVisible())
        onVisibility(!isMinimized());
}

} // namespace mivora
