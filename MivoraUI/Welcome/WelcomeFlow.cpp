#include "MivoraUI/Welcome/WelcomeFlow.h"

#include "Dictation/SetupModel.h"
#include "MivoraUI/Kit/BrandMark.h"
#include "MivoraUI/Kit/PageStack.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/SecondaryLabel.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Kit/Wordmark.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Steps/PermissionSteps.h"
#include "MivoraUI/Welcome/CompactLesson.h"
#include "MivoraUI/Welcome/PageDots.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace mivora {

namespace {
QLabel* label(const QString& text, double size, QFont::Weight weight, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(UI::font(size, weight));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    return l;
}

// A page's content centred in the page, `width` wide (the window is always wider), so wrapped lines
// get their full height.
QWidget* centred(QWidget* content, int width) {
    auto* page = new QWidget;
    content->setParent(page);
    content->setFixedWidth(width);
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    column->addWidget(content, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

// One lesson as a line: its symbol, its title and, when given, the line under it.
QWidget* lessonLine(const QString& symbol, const QString& title, const QString& line, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(12);
    layout->addWidget(new SymbolView(symbol, 18, QColor(), 1.2, row), 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* name = new QLabel(title, row);
    name->setFont(UI::font(14, QFont::DemiBold));
    text->addWidget(name);
    if (!line.isEmpty()) {
        auto* detail = new SecondaryLabel(line, row);
        detail->setFont(UI::font(12));
        detail->setWordWrap(true);
        text->addWidget(detail);
    }
    layout->addLayout(text, 1);
    return row;
}
} // namespace

WelcomeFlow::WelcomeFlow(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), pages_(new PageStack(this)), dots_(new PageDots(pageCount, this)),
      skip_(new SoftButton(QStringLiteral("跳过"), this)) {
    setObjectName(QStringLiteral("WelcomeFlow"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    skip_->setObjectName(QStringLiteral("skip"));
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(24, 0, 24, 20);
    // The dots stay centred whether or not "跳过" shows: equal room on both sides.
    auto* left = new QWidget(this);
    left->setFixedWidth(skip_->sizeHint().width());
    bar->addWidget(left);
    bar->addStretch(1);
    bar->addWidget(dots_);
    bar->addStretch(1);
    bar->addWidget(skip_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(pages_, 1);
    column->addLayout(bar);
    connect(skip_, &QAbstractButton::clicked, this, &WelcomeFlow::next);
    connect(dots_, &PageDots::picked, this, [this](int index) {
        if (index <= furthest_) goTo(index);
    });
    pages_->setPage(makePage(hero), true);
    skip_->setVisible(false);
}

QWidget* WelcomeFlow::page() const {
    return pages_->page();
}

void WelcomeFlow::goTo(int index) {
    if (index == current_ || index < 0 || index >= pageCount) return;
    const bool forward = index > current_;
    current_ = index;
    furthest_ = std::max(furthest_, index);
    pages_->setPage(makePage(index), forward);
    dots_->setCurrent(index);
    skip_->setVisible(index != hero);
}

void WelcomeFlow::next() {
    if (current_ == done) return model_.finishWelcome();
    goTo(current_ + 1);
}

QWidget* WelcomeFlow::makePage(int index) {
    QWidget* page = nullptr;
    if (index == hero) {
        page = makeHero();
    } else if (index == permissions) {
        page = makePermissions();
    } else if (index == done) {
        page = makeDone();
    } else {
        const Lesson lesson = *Lessons::fromRaw(index - firstLesson);
        page = makeCompactLesson(model_, lesson, [this, index] { goTo(index + 1); });
    }
    page->setProperty("welcomePage", index);
    return page;
}

QWidget* WelcomeFlow::makeHero() {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setSpacing(14);
    column->addWidget(new BrandMark(72, content), 0, Qt::AlignHCenter);
    column->addWidget(new Wordmark(34, content), 0, Qt::AlignHCenter);
    column->addWidget(label(QStringLiteral("说话就能打字，记忆随叫随到。"), 15, QFont::Normal, content));
    column->addSpacing(8);
    for (Lesson lesson : Lessons::all)
        column->addWidget(lessonLine(Lessons::symbol(lesson), Lessons::title(lesson), QString(), content));
    column->addSpacing(8);
    auto* start = new PrimaryButton(QStringLiteral("开始"), content);
    start->setObjectName(QStringLiteral("start"));
    connect(start, &QAbstractButton::clicked, this, [this] { goTo(permissions); });
    column->addWidget(start, 0, Qt::AlignHCenter);
    return centred(content, 360);
}

QWidget* WelcomeFlow::makePermissions() {
    // The rows tick themselves off while the user grants things in the desktop's settings.
    model_.setup().refresh();
    model_.setup().startPolling();
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setSpacing(12);
    column->addWidget(label(QStringLiteral("先打开这几项"), 24, QFont::Bold, content));
    column->addWidget(label(QStringLiteral("Veskel 要用到它们，才能听你说话、把文字填到光标处。"), 13,
                            QFont::Normal, content));
    column->addSpacing(6);
    column->addWidget(new PermissionSteps(model_, content));
    column->addSpacing(6);
    auto* go = new PrimaryButton(QStringLiteral("继续"), content);
    go->setObjectName(QStringLiteral("next"));
    connect(go, &QAbstractButton::clicked, this, [this] { goTo(permissions + 1); });
    column->addWidget(go, 0, Qt::AlignHCenter);
    return centred(content, 560);
}

QWidget* WelcomeFlow::makeDone() {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setSpacing(12);
    column->addWidget(label(QStringLiteral("都准备好了"), 24, QFont::Bold, content));
    column->addSpacing(6);
    for (Lesson lesson : Lessons::all)
        column->addWidget(lessonLine(Lessons::symbol(lesson), Lessons::title(lesson),
                                     Lessons::tagline(lesson, model_.hotkeyName()), content));
    column->addSpacing(8);
    auto* finish = new PrimaryButton(QStringLiteral("开始使用"), content);
    finish->setObjectName(QStringLiteral("finish"));
    connect(finish, &QAbstractButton::clicked, this, [this] { model_.finishWelcome(); });
    column->addWidget(finish, 0, Qt::AlignHCenter);
    return centred(content, 420);
}

} // namespace mivora
