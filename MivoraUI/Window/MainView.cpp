#include "MivoraUI/Window/MainView.h"

#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/PageStack.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Kit/WindowVisible.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Welcome/WelcomeFlow.h"
#include "MivoraUI/Window/Pages.h"
#include "MivoraUI/Window/Sidebar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QSplitter>
#include <QStyle>

#include <algorithm>

namespace mivora {

namespace {
// The sidebar's edge: a hairline that can be dragged to widen or narrow the sidebar within its bounds,
// without the style's dotted grip.
class EdgeHandle final : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(width() / 2, 0, 1, height()), UI::stroke(palette()));
    }
};

class EdgeSplitter final : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override { return new EdgeHandle(orientation(), this); }
};

// What a layout grants a widget at the least: its own minimum where it set one, else what its content needs.
QSize leastSize(const QWidget& widget) {
    const QSize hint = widget.minimumSizeHint();
    return {widget.minimumWidth() > 0 ? widget.minimumWidth() : hint.width(),
            widget.minimumHeight() > 0 ? widget.minimumHeight() : hint.height()};
}
} // namespace

MainView::MainView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), split_(new EdgeSplitter(Qt::Horizontal, this)),
      sidebar_(new Sidebar(model, split_)), pages_(new PageStack(split_)) {
    setObjectName(QStringLiteral("MainView"));
    split_->setObjectName(QStringLiteral("split"));
    split_->addWidget(sidebar_);
    split_->addWidget(pages_);
    split_->setChildrenCollapsible(false);
    split_->setStretchFactor(0, 0);
    split_->setStretchFactor(1, 1);
    split_->setSizes({Sidebar::idealWidth, narrowest});
    pages_->setAutoFillBackground(true);
    pages_->setBackgroundRole(QPalette::Window);
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(split_);

    pages_->setPage(makePage(model_, model_.section()), true);
    holdPageMinimum();
    connect(&model_, &AppModel::sectionChanged, this, &MainView::showSection);

    connect(&welcomeShown_, &QVariantAnimation::valueChanged, this,
            [this] { applyWelcome(welcomeShown_.value().toDouble()); });
    connect(&welcomeShown_, &QAbstractAnimation::finished, this, &MainView::welcomeSettled);
    connect(&model_, &AppModel::showWelcomeChanged, this, [this] { followWelcome(true); });
    followWelcome(false);

    WindowVisible::set(this, model_.windowVisible());
    connect(&model_, &AppModel::windowVisibleChanged, this,
            [this] { WindowVisible::set(this, model_.windowVisible()); });
}

QWidget* MainView::page() const {
    return pages_->page();
}

void MainView::showSection() {
    // Every change slides the new page in from the right, whichever way the sidebar was walked.
    pages_->setPage(makePage(model_, model_.section()), true);
    holdPageMinimum();
}

void MainView::holdPageMinimum() {
    // The window never gets smaller than the page on screen can be drawn in.
    const QWidget* shown = page();
    const QSize least = shown ? leastSize(*shown) : QSize();
    pages_->setMinimumSize(least);
    const int handle = split_->handleWidth();
    setMinimumSize(std::max(narrowest, Sidebar::maximumWidth + handle + least.width()),
                   std::max(lowest, least.height()));
}

void MainView::followWelcome(bool animated) {
    if (model_.showWelcome()) {
        // Each showing starts the flow at its first page, even one that comes back while leaving.
        dropWelcome();
        welcome_ = new WelcomeFlow(model_, this);
        welcome_->setGeometry(rect());
        welcomeLook_ = new LayerEffect(welcome_);
        welcome_->setGraphicsEffect(welcomeLook_);
        welcome_->show();
        welcome_->raise();
        welcome_->setFocus();
        if (!splitLook_) {
            splitLook_ = new LayerEffect(split_);
            split_->setGraphicsEffect(splitLook_);
        }
        // Out of sight is not out of reach: a hidden widget still takes clicks and Tab.
        split_->setEnabled(false);
    } else {
        split_->setEnabled(true);
        if (!welcome_) return;
        if (!welcomeLook_) {
            welcomeLook_ = new LayerEffect(welcome_);
            welcome_->setGraphicsEffect(welcomeLook_);
        }
        welcome_->setEnabled(false); // leaving: it takes no more clicks
    }
    const double target = model_.showWelcome() ? 1.0 : 0.0;
    if (animated && !UI::reduceMotion(model_.environment().defaults)) {
        if (model_.showWelcome()) {
            welcomeShown_.jumpTo(0.0);
            applyWelcome(0.0); // the new welcome starts out of sight
        }
        welcomeShown_.springTo(target, UI::page);
    } else {
        welcomeShown_.jumpTo(target);
        applyWelcome(target);
        welcomeSettled();
    }
}

void MainView::applyWelcome(double shown) {
    if (splitLook_) splitLook_->setLook({.blur = 12 * shown, .opacity = std::clamp(1 - shown, 0.0, 1.0)});
    if (welcome_ && welcomeLook_)
        welcomeLook_->setLook({.opacity = std::clamp(shown, 0.0, 1.0), .scale = 1 + 0.02 * (1 - shown)});
}

void MainView::welcomeSettled() {
    if (model_.showWelcome()) {
        if (welcome_) welcome_->setGraphicsEffect(nullptr);
        welcomeLook_ = nullptr;
        return;
    }
    dropWelcome();
    split_->setGraphicsEffect(nullptr);
    splitLook_ = nullptr;
}

void MainView::dropWelcome() {
    // Later, not now: the welcome's own last button may be what ended it.
    if (welcome_) {
        welcome_->hide();
        welcome_->deleteLater();
    }
    welcome_ = nullptr;
    welcomeLook_ = nullptr;
}

void MainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (welcome_) welcome_->setGeometry(rect());
}

} // namespace mivora
