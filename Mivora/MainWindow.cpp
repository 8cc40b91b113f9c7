#include "MainWindow.h"

#include "EditMenu.h"
#include "MivoraUI/Memories/MemoriesView.h"
#include "Platform/PlatformWords.h"
#include "MivoraUI/Model/AppModel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStackedWidget>

namespace mivora {

MainWindow::MainWindow(AppModel& model, MemoryStore& memories, const Clock& clock,
                       const Defaults& defaults, QWidget* parent)
    : QMainWindow(parent), model_(model), pages_(new QStackedWidget(this)), placeholder_(new QLabel(pages_)),
      memories_(new MemoriesView(memories, clock, PlatformWords::hotkeyName(defaults), pages_)) {
    setWindowTitle(QStringLiteral("Veskel"));
    setObjectName(QStringLiteral("MivoraMain"));
    placeholder_->setAlignment(Qt::AlignCenter);
    pages_->addWidget(placeholder_);
    pages_->addWidget(memories_);
    setCentralWidget(pages_);
    menuBar()->addMenu(EditMenu::make(this));
    connect(&model_, &AppModel::sectionChanged, this, &MainWindow::showSection);
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
    if (model_.section() == AppModel::Section::memories) {
        pages_->setCurrentWidget(memories_);
        return;
    }
    placeholder_->setText(QStringLiteral("Veskel · ") + QString::fromUtf8(names[int(model_.section())]));
    pages_->setCurrentWidget(placeholder_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    if (onClose) onClose();
}

} // namespace mivora
