// The settings page on the window model over fakes: a scripted login item, the real suggestion controller
// on in-memory settings, and account services that are configured or not, signed in or not.
#include "MivoraUI/Settings/SettingsPage.h"
#include "MivoraUI/Settings/HotkeyChange.h"

#include "Support/AppLog.h"
#include "Support/BundleInfo.h"

#include "support/CapturedMessages.h"
#include "support/PageServices.h"
#include "support/ScopedEnv.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override { BundleInfo::reset(); }

    SettingsPage& open(PageServices::Account account = {}) {
        if (!services) services = std::make_unique<PageServices>(account);
        page = std::make_unique<SettingsPage>(*services->model);
        page->resize(720, 1300);
        page->show();
        QApplication::processEvents();
        return *page;
    }
    void reshow() {
        page->hide();
        page->show();
        QApplication::processEvents();
    }
    template <typename T = QWidget> T* find(const char* name) const {
        T* found = page->findChild<T*>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    // The titles of the groups on screen, with their subtitles where shown, top to bottom.
    QStringList groups() const {
        QStringList out;
        for (QLabel* title : page->findChildren<QLabel*>("groupTitle")) {
            if (!title->isVisible()) continue;
            QString line = title->text();
            const auto* subtitle = title->parentWidget()->findChild<QLabel*>("groupSubtitle");
            if (subtitle && subtitle->isVisible()) line += " · " + subtitle->text();
            out << line;
        }
        return out;
    }
    void flipLogin() { QTest::mouseClick(find<QAbstractButton>("loginSwitch"), Qt::LeftButton); }
    QString loginMessage() const {
        auto* label = find<QLabel>("loginError");
        return label->isVisible() ? label->text() : QString();
    }

    std::unique_ptr<PageServices> services;
    std::unique_ptr<SettingsPage> page;
};

const QString signIn = "登录后记忆会在 iPhone 和这台电脑之间加密同步";
const QString signInForDictation = "登录后才能用口述和「问」；记忆会在 iPhone 和这台电脑之间加密同步";

} // namespace

TEST_F(SettingsTest, GroupsAndSubtitlesFollowTheAccountAndTheSetup) {
    open({.configured = false});
    services->setSetup(false, true, true, false);
    EXPECT_EQ(groups(), QStringList({"权限 · 开好一项会自动打勾", "功能", "快捷键", "隐私", "关于"}));
    EXPECT_TRUE(find("cloudNotice")->isVisible());
    services->setSetup(true, true, true, true);
    EXPECT_EQ(groups().first(), "权限 · 都打开了");
    EXPECT_FALSE(find("cloudNotice")->isVisible());

    services.reset();
    open({.configured = true, .signedIn = false});
    EXPECT_EQ(groups().first(), "账号 · " + signIn);
    BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    services->account->tokensChanged(); // any published change redraws the group
    EXPECT_EQ(groups().first(), "账号 · " + signInForDictation);

    services.reset();
    open({.configured = true, .signedIn = true});
    EXPECT_EQ(groups().first(), "账号");
    QCoro::waitFor(services->account->signOut());
    EXPECT_EQ(groups().first(), "账号 · " + signInForDictation);
}

// The typing switch reads the controller back on every show and forwards every flip; muted words show
// until restored.
TEST_F(SettingsTest, TheTypingSwitchAndTheMutedWords) {
    services = std::make_unique<PageServices>();
    services->defaults.setValue("typingIgnored", QVariantMap{{"邮箱", 2}, {"公司地址", 5}, {"电话", 1}});
    open();
    EXPECT_TRUE(page->typingOn());
    services->suggest.setEnabled(false); // from the tray menu, say
    EXPECT_TRUE(page->typingOn()) << "read back only when the page shows";
    reshow();
    EXPECT_FALSE(page->typingOn());
    QTest::mouseClick(find<QAbstractButton>("typingSwitch"), Qt::LeftButton);
    EXPECT_TRUE(services->suggest.enabled());

    ASSERT_TRUE(find("mutedRow")->isVisible());
    EXPECT_EQ(page->mutedWords(), 2);
    find<QAbstractButton>("restoreMuted")->click();
    EXPECT_FALSE(find("mutedRow")->isVisible());
    EXPECT_EQ(services->suggest.mutedCount(), 0);
}

// Only the user's own flips reach the login item, not the read-back. A refused flip whose read-back differs
// turns the switch back without asking again, so the refusal is neither undone nor hidden; the message stays
// through a read-back until a later flip succeeds.
TEST_F(SettingsTest, OnlyTheUsersFlipsReachTheLoginItemAndARefusalKeepsItsMessageUntilAFlipSucceeds) {
    services = std::make_unique<PageServices>();
    services->loginItem.current = LoginItem::Status::enabled;
    open();
    EXPECT_TRUE(page->loginOn());
    EXPECT_TRUE(services->loginItem.calls.empty()) << "the read-back is not a change to make";
    flipLogin();
    EXPECT_FALSE(page->loginOn());
    EXPECT_EQ(services->loginItem.current, LoginItem::Status::notRegistered);
    EXPECT_EQ(loginMessage(), "");

    services->loginItem.refusals = {"需要先在系统里允许"};
    flipLogin();
    EXPECT_FALSE(page->loginOn()) << "the switch shows the real state";
    EXPECT_EQ(services->loginItem.calls, std::vector<bool>({false, true}));
    EXPECT_EQ(loginMessage(), "系统没让设置：需要先在系统里允许");
    reshow();
    EXPECT_EQ(loginMessage(), "系统没让设置：需要先在系统里允许");
    EXPECT_EQ(services->loginItem.calls.size(), 2u);

    // A refusal whose read-back equals the wish leaves the switch where the user put it.
    services->loginItem.refusals = {"稍后再试"};
    services->loginItem.current = LoginItem::Status::enabled;
    flipLogin();
    EXPECT_TRUE(page->loginOn());
    EXPECT_EQ(loginMessage(), "系统没让设置：稍后再试");

    services->loginItem.current = LoginItem::Status::notRegistered;
    reshow();
    flipLogin();
    EXPECT_TRUE(page->loginOn());
    EXPECT_EQ(loginMessage(), "");
    EXPECT_EQ(services->loginItem.calls, std::vector<bool>({false, true, true, true}));
}

// A screen reader's toggle flips a switch without a click: it reaches the login item and the controller like
// one, and a refused one is turned back without asking the login item again.
TEST_F(SettingsTest, AScreenReadersToggleIsAFlipLikeAClick) {
    services = std::make_unique<PageServices>();
    open();
    const auto toggle = [&](const char* name) {
        QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(find(name));
        ASSERT_TRUE(a11y && a11y->actionInterface());
        ASSERT_TRUE(
            a11y->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        a11y->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    };
    toggle("loginSwitch");
    EXPECT_TRUE(page->loginOn());
    EXPECT_EQ(services->loginItem.current, LoginItem::Status::enabled);
    services->loginItem.refusals = {"需要先在系统里允许"};
    toggle("loginSwitch");
    EXPECT_TRUE(page->loginOn()) << "the switch shows the real state";
    EXPECT_EQ(services->loginItem.calls, std::vector<bool>({true, false}));
    EXPECT_EQ(loginMessage(), "系统没让设置：需要先在系统里允许");

    toggle("typingSwitch");
    EXPECT_FALSE(services->suggest.enabled());
}

TEST_F(SettingsTest, AboutRowAndItsButtons) {
    BundleInfo::setOverride({{"CFBundleShortVersionString", "1.4.0"}});
    services = std::make_unique<PageServices>();
    services->model->finishWelcome();
    services->defaults.setValue("fnKey", "Alt_R");
    open();
    EXPECT_EQ(find<QLabel>("version")->text(), "电脑版 1.4.0");
    find<QAbstractButton>("restartWelcome")->click();
    EXPECT_TRUE(services->model->showWelcome());
    QStringList opened;
    bool opener = true;
    page->openFile = [&](const QString& file) { return opened << file, opener; };
    find<QAbstractButton>("openLog")->click();
    EXPECT_EQ(opened, QStringList{AppLog::file()});
    EXPECT_FALSE(find<QLabel>("logNotOpened")->isVisible());
    // A desktop with nothing to open it: the page says so and where the log is.
    opener = false;
    find<QAbstractButton>("openLog")->click();
    EXPECT_TRUE(find<QLabel>("logNotOpened")->isVisible());
    EXPECT_EQ(find<QLabel>("logNotOpened")->text(),
              "这台电脑上没有能打开日志的程序（需要一个看文本文件的程序）。日志在：" + AppLog::file());
    // The page's own opener on a desktop with no program for it: the page says so, and Qt's words, which
    // name the log's address, never reach stderr.
    {
        const QTemporaryDir empty;
        const ScopedEnv path("PATH", empty.path().toUtf8());
        const ScopedEnv browser("BROWSER", "");
        const CapturedMessages messages;
        page->openFile = &SettingsPage::openWithDesktop;
        find<QLabel>("logNotOpened")->hide();
        find<QAbstractButton>("openLog")->click();
        qWarning("after the click");
        EXPECT_EQ(messages.said(), QStringList{"after the click"});
        EXPECT_TRUE(find<QLabel>("logNotOpened")->isVisible());
    }
    QStringList shortcuts;
    for (QLabel* label : find("shortcutsGroup")->findChildren<QLabel*>())
        shortcuts << label->text();
    EXPECT_TRUE(shortcuts.contains("免按住：松开手继续说，再按 右 Alt 结束"));

    // Without a version the row still says which build it is.
    BundleInfo::setOverride({});
    page.reset();
    open();
    EXPECT_EQ(find<QLabel>("version")->text(), "电脑版 ");
}

namespace {

// A key pressed while something waits for one, as a window on the desktop reports it.
void pressKey(QWidget* fallback, Qt::Key key, quint32 native) {
    QWidget* target = QWidget::keyboardGrabber() ? QWidget::keyboardGrabber() : fallback;
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, 0, native, 0);
    QApplication::sendEvent(target, &event);
}

QStringList texts(QWidget* group) {
    QStringList out;
    for (QLabel* label : group->findChildren<QLabel*>())
        if (label->isVisibleTo(group)) out << label->text();
    return out;
}

} // namespace

// The shortcut group changes the hotkey at any time, a working one too: "换一个键" takes the next key, Esc
// keeps the old one, and the shortcuts then name the new key.
TEST_F(SettingsTest, TheShortcutGroupChangesTheHotkeyAtAnyTimeAndEscKeepsTheOldOne) {
    open();
    services->setSetup(true, true, true, true);
    auto* change = find<QAbstractButton>("changeHotkey");
    ASSERT_TRUE(change->isVisible()) << "offered while the key works";
    EXPECT_TRUE(texts(find("shortcutsGroup")).contains("按住说话的键：右 Ctrl"));

    change->click();
    EXPECT_EQ(change->text(), "请按键…");
    EXPECT_TRUE(texts(find("shortcutsGroup")).contains("现在按一下你想按住说话的键；按 Esc 保留 右 Ctrl。"));
    pressKey(page.get(), Qt::Key_Escape, 0xff1b);
    EXPECT_EQ(change->text(), "换一个键");
    EXPECT_FALSE(services->defaults.contains("fnKey")) << "Esc keeps the old key";
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);

    change->click();
    pressKey(page.get(), Qt::Key_Alt, 0xffea);
    EXPECT_EQ(services->defaults.value("fnKey"), QVariant("Alt_R"));
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    QApplication::processEvents(); // the new rows show
    const QStringList shown = texts(find("shortcutsGroup"));
    EXPECT_TRUE(shown.contains("按住说话的键：右 Alt"));
    EXPECT_TRUE(shown.contains("免按住：松开手继续说，再按 右 Alt 结束")) << shown.join('|').toStdString();
}

// The hotkey change that goes away while it waits for a key (its window closed, the page left) gives the
// keyboard back and stores nothing.
TEST_F(SettingsTest, AHotkeyChangeGoneWhileWaitingGivesTheKeyboardBack) {
    open();
    auto change = std::make_unique<HotkeyChange>(*services->model);
    change->show();
    change->button()->click();
    ASSERT_TRUE(change->waiting());
    change.reset();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_FALSE(services->defaults.contains("fnKey"));
}

// A step done in the permission group hides the button that had the focus; the focus stays in that group
// instead of jumping to a switch further down, and the page does not scroll.
TEST_F(SettingsTest, AStepDoneUnderTheFocusKeepsThePageInPlace) {
    open();
    services->setSetup(true, true, false, true);
    page->resize(720, 420);
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    auto* scroll = find<QScrollArea>("settingsScroll");
    QAbstractButton* hotkeyButton = nullptr;
    for (QAbstractButton* b : find("step3")->findChildren<QAbstractButton*>())
        if (b->isVisible()) hotkeyButton = b;
    ASSERT_TRUE(hotkeyButton);
    scroll->ensureWidgetVisible(hotkeyButton);
    const int place = scroll->verticalScrollBar()->value();
    hotkeyButton->setFocus();
    hotkeyButton->click();
    pressKey(page.get(), Qt::Key_Alt, 0xffea);
    ASSERT_EQ(services->defaults.value("fnKey"), QVariant("Alt_R"));
    ASSERT_FALSE(hotkeyButton->isVisible()) << "the step is done";
    EXPECT_EQ(scroll->verticalScrollBar()->value(), place);
    EXPECT_TRUE(find("permissionsGroup")->isAncestorOf(QApplication::focusWidget()));
}

// A settings file the disk did not take is said while it lasts, in the words of its cause.
TEST_F(SettingsTest, SaysWhenTheSettingsWereNotSaved) {
    open();
    auto* unsaved = find<QLabel>("settingsUnsaved");
    EXPECT_FALSE(unsaved->isVisible());
    services->defaults.setSaveFailure(AtomicFile::Failure::diskFull);
    EXPECT_TRUE(unsaved->isVisible());
    EXPECT_EQ(unsaved->text(), "磁盘满了，设置还没存上：空出地方后，下次改设置或退出时会再存。");
    services->defaults.setSaveFailure(AtomicFile::Failure::none);
    EXPECT_FALSE(unsaved->isVisible());
}

// A flip far down the page that the disk does not take: the note comes where the user can see it, at the
// foot of what is on screen, and nothing on screen moves, the switch under the pointer least of all.
TEST_F(SettingsTest, TheNoteOfAnUnsavedFlipShowsInSightAndMovesNothing) {
    open();
    page->resize(720, 560);
    QApplication::processEvents();
    auto* typing = find<QAbstractButton>("typingSwitch");
    find<QScrollArea>("settingsScroll")
        ->verticalScrollBar()
        ->setValue(typing->mapTo(page.get(), QPoint()).y() - 300);
    QApplication::processEvents();
    ASSERT_EQ(typing->mapTo(page.get(), QPoint()).y(), 300);
    // The write the flip causes finds the disk full.
    QObject::connect(typing, &QAbstractButton::toggled, page.get(),
                     [this] { services->defaults.setSaveFailure(AtomicFile::Failure::diskFull); });
    QTest::mouseClick(typing, Qt::LeftButton);
    QApplication::processEvents();
    auto* unsaved = find<QLabel>("settingsUnsaved");
    ASSERT_TRUE(unsaved->isVisible());
    EXPECT_TRUE(page->rect().contains(QRect(unsaved->mapTo(page.get(), QPoint()), unsaved->size())));
    EXPECT_EQ(typing->mapTo(page.get(), QPoint()).y(), 300);
}

// A switch flipped at the lower edge of the view: the note its failed write brings (in the next turn, as
// the settings file is written then) takes its room from that edge, and the page scrolls up just enough to
// keep the flipped row wholly in sight above it.
TEST_F(SettingsTest, ARowFlippedAtTheLowerEdgeStaysInSightAboveTheNote) {
    open();
    page->resize(720, 560);
    QApplication::processEvents();
    auto* scroll = find<QScrollArea>("settingsScroll");
    auto* typing = find<QAbstractButton>("typingSwitch");
    QWidget* row = typing->parentWidget();
    auto place = [&] { return QRect(row->mapTo(scroll->viewport(), QPoint()), row->size()); };
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->value() + place().bottom() -
                                          scroll->viewport()->height() + 1);
    QApplication::processEvents();
    ASSERT_EQ(place().bottom(), scroll->viewport()->height() - 1);
    const int viewBefore = scroll->viewport()->height();
    const int topBefore = place().top();

    QObject::connect(typing, &QAbstractButton::toggled, page.get(), [this] {
        QMetaObject::invokeMethod(
            page.get(), [this] { services->defaults.setSaveFailure(AtomicFile::Failure::diskFull); },
            Qt::QueuedConnection);
    });
    QTest::mouseClick(typing, Qt::LeftButton);
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_TRUE(find<QLabel>("settingsUnsaved")->isVisible());
    const int lost = viewBefore - scroll->viewport()->height();
    ASSERT_GT(lost, 0);
    EXPECT_TRUE(scroll->viewport()->rect().contains(place())) << place().bottom();
    EXPECT_GE(place().top(), topBefore - lost);
}
