#include "MivoraUI/Welcome/WelcomeFlow.h"

#include "Account/AccountService.h"
#include "Dictation/SetupModel.h"
#include "MivoraUI/Account/AccountSection.h"
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
#include "Platform/PlatformWords.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace mivora {

namespace {
QLabel* label(const QString& text, double size, QFont::Weight weight, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(UI::font(size, weight));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    return l;
}

// A page's content centred in the page, `width` wide (the window is always wider). The content sits in
// a row between stretches: a column would ask it for its height at the page's full width, and wrapped
// lines would then get the height of fewer lines than they have at `width`.
QWidget* centred(QWidget* content, int width) {
    auto* page = new QWidget;
    content->setParent(page);
    content->setFixedWidth(width);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(content);
    row->addStretch(1);
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    column->addLayout(row);
    column->addStretch(1);
    return page;
}

// A page whose content keeps its top where it stood when the page was made: `width` wide, centred across,
// and as far down as its first height, centred, puts it. When a block on the page then grows or shrinks
// (the sign-in going from address to code, an error line, the recovery code; a step row's hint going
// away), only what is under the block moves; the title rises only as far as a block too tall for the room
// below needs.
class SteadyTopPage final : public QWidget {
public:
    SteadyTopPage(QWidget* content, int width) : content_(content) {
        content->setParent(this);
        content->setFixedWidth(width);
        content->installEventFilter(this);
    }

    QSize minimumSizeHint() const override { return {content_->width(), contentHeight()}; }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }
    bool eventFilter(QObject*, QEvent* event) override {
        // The content's layout has already been activated by the time the event reaches here.
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) place();
        return false;
    }

private:
    int contentHeight() const {
        const QLayout* layout = content_->layout();
        return layout->hasHeightForWidth() ? layout->totalHeightForWidth(content_->width())
                                           : layout->totalSizeHint().height();
    }
    void place() {
        const int height = contentHeight();
        // Measured once on screen, with the style's fonts and margins in place.
        if (first_ < 0 && content_->isVisible()) first_ = height;
        const int first = first_ < 0 ? height : first_;
        const int top = std::max(0, std::min((this->height() - first) / 2, this->height() - height));
        content_->setGeometry((width() - content_->width()) / 2, top, content_->width(), height);
    }
    QWidget* content_;
    int first_ = -1;
};

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
// What the closing page names for each thing still missing.
QString missingName(SetupModel::Missing missing, const QString& hotkey) {
    switch (missing) {
    case SetupModel::Missing::mic:
        return QStringLiteral("麦克风");
    case SetupModel::Missing::accessibility:
        return QStringLiteral("辅助功能");
    case SetupModel::Missing::hotkey:
        return hotkey + QStringLiteral(" 键");
    case SetupModel::Missing::recognizer:
        return QStringLiteral("云端识别");
    case SetupModel::Missing::account:
        return QStringLiteral("登录账号");
    }
    return {};
}

// A build whose recogniser is the relay refuses every take until someone signs in: its welcome has a
// sign-in page before the lessons.
bool needsSignInPage(const AppModel& model) {
    return AccountService::loginRequired() && model.account() && model.account()->configured();
}

} // namespace

WelcomeFlow::WelcomeFlow(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), signInPage_(needsSignInPage(model)), pages_(new PageStack(this)),
      dots_(new PageDots(pageCount - (signInPage_ ? 0 : 1), this)),
      skip_(new SoftButton(QStringLiteral("跳过"), this)) {
    setObjectName(QStringLiteral("WelcomeFlow"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    skip_->setObjectName(QStringLiteral("skip"));
    // Hidden or shown, "跳过" keeps its room, so the dots stay where they are on every page.
    QSizePolicy keep = skip_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    skip_->setSizePolicy(keep);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(24, 0, 24, 20);
    // The dots stay centred whether or not "跳过" shows: equal room on both sides.
    auto* left = new QWidget(this);
    left->setFixedSize(skip_->sizeHint());
    bar->addWidget(left);
    bar->addStretch(1);
    bar->addWidget(dots_);
    bar->addStretch(1);
    bar->addWidget(skip_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(pages_, 1);
    column->addLayout(bar);
    // A press that reaches "跳过" after it hid (an assistive tool's, or one queued while the closing page
    // slid in) must not end the welcome past the page that says what is missing.
    connect(skip_, &QAbstractButton::clicked, this, [this] {
        if (current_ != done) next();
    });
    connect(dots_, &PageDots::picked, this, [this](int dot) {
        for (int index = hero; index < pageCount; ++index)
            if (has(index) && position(index) == dot && index <= furthest_) return goTo(index);
    });
    connect(&model_, &AppModel::welcomeAskedFor, this, &WelcomeFlow::askedFor);
    pages_->setPage(makePage(hero), true);
    skip_->setVisible(false);
}

QWidget* WelcomeFlow::page() const {
    return pages_->page();
}

bool WelcomeFlow::has(int index) const {
    return index >= hero && index < pageCount && (index != account || signInPage_);
}

int WelcomeFlow::position(int index) const {
    return index - (!signInPage_ && index > account ? 1 : 0);
}

void WelcomeFlow::goTo(int index) {
    if (index == current_ || !has(index)) return;
    const bool forward = index > current_;
    current_ = index;
    furthest_ = std::max(furthest_, index);
    pages_->setPage(makePage(index), forward);
    dots_->setCurrent(position(index));
    // The hero and the closing page have their own button on; skipping the closing page would end the
    // welcome without a word about what is still missing.
    skip_->setVisible(index != hero && index != done);
}

void WelcomeFlow::next() {
    if (current_ == done) return model_.finishWelcome();
    int index = current_ + 1;
    while (!has(index))
        ++index;
    goTo(index);
}

void WelcomeFlow::askedFor(AppModel::Need need) {
    const bool signIn = need == AppModel::Need::signIn && signInPage_;
    goTo(signIn ? account : permissions);
    // Brought here by a refused take, the user's next step is typing the address.
    if (auto* section = signIn ? page()->findChild<AccountSection*>() : nullptr) section->focusSignIn();
}

QWidget* WelcomeFlow::makePage(int index) {
    QWidget* page = nullptr;
    if (index == hero) {
        page = makeHero();
    } else if (index == permissions) {
        page = makePermissions();
    } else if (index == account) {
        page = makeAccount();
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
    return hostingPage(
        QStringLiteral("先打开这几项"), QStringLiteral("Veskel 要用到它们，才能听你说话、把文字填到光标处。"),
        [this](QWidget* parent) { return new PermissionSteps(model_, parent); }, 560);
}

QWidget* WelcomeFlow::makeAccount() {
    return hostingPage(
        QStringLiteral("登录账号"),
        QStringLiteral("这个版本的口述和「问」要登录以后才能用，登录后记忆也会加密同步。"),
        [this](QWidget* parent) { return new AccountSection(model_, parent); }, 480);
}

QWidget* WelcomeFlow::hostingPage(const QString& title, const QString& line,
                                  const std::function<QWidget*(QWidget* parent)>& block, int width) {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setSpacing(12);
    column->addWidget(label(title, 24, QFont::Bold, content));
    column->addWidget(label(line, 13, QFont::Normal, content));
    column->addSpacing(6);
    column->addWidget(block(content));
    column->addSpacing(6);
    auto* go = new PrimaryButton(QStringLiteral("继续"), content);
    go->setObjectName(QStringLiteral("next"));
    connect(go, &QAbstractButton::clicked, this, &WelcomeFlow::next);
    column->addWidget(go, 0, Qt::AlignHCenter);
    return new SteadyTopPage(content, width);
}

QWidget* WelcomeFlow::makeDone() {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setSpacing(12);
    auto* title = label(QString(), 24, QFont::Bold, content);
    title->setObjectName(QStringLiteral("doneTitle"));
    column->addWidget(title);
    auto* left = new SecondaryLabel(QString(), content);
    left->setObjectName(QStringLiteral("stillMissing"));
    left->setFont(UI::font(13));
    left->setAlignment(Qt::AlignCenter);
    left->setWordWrap(true);
    column->addWidget(left);
    auto* back = new SoftButton(QStringLiteral("回去设好"), content);
    back->setObjectName(QStringLiteral("back"));
    column->addWidget(back, 0, Qt::AlignHCenter);
    column->addSpacing(6);
    for (Lesson lesson : Lessons::all)
        column->addWidget(lessonLine(Lessons::symbol(lesson), Lessons::title(lesson),
                                     Lessons::tagline(lesson, model_.hotkeyName()), content));
    column->addSpacing(8);
    auto* finish = new PrimaryButton(QStringLiteral("开始使用"), content);
    finish->setObjectName(QStringLiteral("finish"));
    connect(finish, &QAbstractButton::clicked, this, [this] { model_.finishWelcome(); });
    column->addWidget(finish, 0, Qt::AlignHCenter);

    // The page says "都准备好了" only while the setup model says so, and otherwise what is missing, with a
    // way back to the page that deals with it where the welcome has one.
    const auto refresh = [this, title, left, back] {
        const QList<SetupModel::Missing> missing = model_.setup().missing();
        title->setText(missing.isEmpty() ? QStringLiteral("都准备好了") : QStringLiteral("还差一点就好"));
        QStringList names;
        for (SetupModel::Missing m : missing)
            names << missingName(m, model_.hotkeyName());
        left->setText(QStringLiteral("还差：") + names.join(QStringLiteral("、")) +
                      QStringLiteral("。设好以后就能开口了。"));
        left->setVisible(!missing.isEmpty());
        const bool steps = missing.contains(SetupModel::Missing::mic) ||
                           missing.contains(SetupModel::Missing::accessibility) ||
                           missing.contains(SetupModel::Missing::hotkey);
        const bool signIn = signInPage_ && missing.contains(SetupModel::Missing::account);
        back->setVisible(steps || signIn);
        back->setProperty("target", steps ? int(permissions) : int(account));
    };
    connect(back, &QAbstractButton::clicked, this, [this, back] { goTo(back->property("target").toInt()); });
    SetupModel& setup = model_.setup();
    for (auto changed :
         {&SetupModel::micChanged, &SetupModel::accessibilityChanged, &SetupModel::fnFreeChanged,
          &SetupModel::cloudReadyChanged, &SetupModel::accountReadyChanged})
        connect(&setup, changed, content, refresh);
    refresh();
    return centred(content, 420);
}

} // namespace mivora
