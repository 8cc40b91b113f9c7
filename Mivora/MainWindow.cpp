#include "MainWindow.h"

#include "EditMenu.h"
#include "WindowModel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>

namespace mivora {

MainWindow::MainWindow(WindowModel& model, QWidget* parent)
    : QMainWindow(parent), model_(model), page_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Veskel"));
    setObjectName(QStringLiteral("MivoraMain"));
    page_->setAlignment(Qt::AlignCenter);
    setCentralWidget(page_);
    menuBar()->addMenu(EditMenu::make(this));
    connect(&model_, &WindowModel::sectionChanged, this, &MainWindow::showSection);
    showSection();
}

void MainWindow::place(const QByteArray& savedGeometry) {
    resize(width, height);
    centre();
    if (!savedGeometry.isEmpty()) restoreGeometry(savedGeometry);
    if (frameGeometry().width() < narrowest) {
        resize(width, height);
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

void MainWindow::showSection() {
    static const char* const names[] = {"首页", "教程", "记忆", "设置"};
    page_->setText(QStringLiteral("Veskel · ") + QString::fromUtf8(names[int(model_.section())]));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    if (onClose) onClose();
}

} // namespace mivora
