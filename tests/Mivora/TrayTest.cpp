// The tray menu: which rows each state of the program shows, and the typing-suggestion switch through the
// running program's menu.
#include "AppDelegate.h"
#include "MenuRows.h"
#include "SuggestWiring.h"
#include "TrayIcon.h"

#include "support/DelegateRig.h"

#include "MivoraUI/Window/MainView.h"
#include "Support/AppLog.h"
#include "Support/HttpClient.h"
#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

QStringList titles(const QList<MenuRow>& rows) {
    QStringList out;
    for (const MenuRow& row : rows)
        out.append(row.separator ? QStringLiteral("—") : row.title);
    return out;
}

const MenuRow& row(const QList<MenuRow>& rows, const QString& title) {
    static const MenuRow none;
    for (const MenuRow& r : rows)
        if (r.title == title) return r;
    ADD_FAILURE() << title.toStdString();
    return none;
}

} // namespace

// Until setup is complete the menu asks to finish it and offers no recall; "复制上一段" is there but dead
// until something was dictated; retry and updates show only when there is something to do.
TEST(MenuRows, EachStateShowsItsRows) {
    MenuRow::State state{.hotkey = "Fn", .version = "1.4"};
    const QList<MenuRow> fresh = MenuRow::rows(state);
    EXPECT_EQ(titles(fresh), QStringList({"还需要完成设置", "—", "复制上一段", "—", "打开 Veskel", "教程",
                                          "添加记忆…", "打字时递上记忆（按 Tab 填入）", "完成设置…",
                                          "打开工作日志", "版本 1.4", "—", "退出 Veskel"}));
    EXPECT_FALSE(row(fresh, "复制上一段").enabled);
    EXPECT_EQ(row(fresh, "复制上一段").action, MenuRow::Action::none);
    EXPECT_EQ(row(fresh, "打字时递上记忆（按 Tab 填入）").checked, false);

    state = {.ready = true,
             .hotkey = "Fn",
             .hasLastText = true,
             .hasFailedClip = true,
             .memories = 3,
             .typingSuggestions = true,
             .hasUpdater = true,
             .version = "1.4"};
    const QList<MenuRow> ready = MenuRow::rows(state);
    EXPECT_EQ(
        titles(ready),
        QStringList({"按住 Fn 说话，松开就填好", "按住 Fn+Shift 说「我的地址」，填入记忆", "—", "复制上一段",
                     "重试上一段", "—", "打开 Veskel", "教程", "记忆（3）…", "打字时递上记忆（按 Tab 填入）",
                     "设置…", "打开工作日志", "检查更新…", "版本 1.4", "—", "退出 Veskel"}));
    EXPECT_EQ(row(ready, "复制上一段").action, MenuRow::Action::copyLast);
    EXPECT_EQ(row(ready, "打字时递上记忆（按 Tab 填入）").checked, true);
    EXPECT_FALSE(row(ready, "按住 Fn 说话，松开就填好").enabled);
}

// The switch in the running program's menu turns suggestions off and on again; its check mark follows, and
// so does the settings page's switch while the page is open.
TEST(Tray, TheTypingSwitchTurnsSuggestionsOffAndOn) {
    DelegateRig rig;
    auto& [platform, defaults, clock, scheduler, networkTimers, network, app] = rig;
    SuggestWiring suggest(app, platform, defaults, scheduler, clock, nullptr);
    app.launch();
    app.model().finishWelcome();
    app.showMain(AppModel::Section::settings);
    ASSERT_TRUE(app.mainWindow());
    auto* pageSwitch = app.mainWindow()->view()->page()->findChild<QAbstractButton*>("typingSwitch");
    ASSERT_TRUE(pageSwitch);
    ASSERT_NE(app.tray(), nullptr);
    const auto typingSwitch = [&]() -> QAction* {
        app.tray()->rebuild();
        for (QAction* action : app.tray()->menu().actions())
            if (action->text() == "打字时递上记忆（按 Tab 填入）") return action;
        return nullptr;
    };
    for (const bool on : {true, false, true}) {
        QAction* action = typingSwitch();
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(action->isCheckable());
        EXPECT_EQ(action->isChecked(), on);
        EXPECT_EQ(suggest.controller().enabled(), on);
        EXPECT_EQ(pageSwitch->isChecked(), on);
        action->trigger();
    }
    EXPECT_FALSE(suggest.controller().enabled());
    EXPECT_FALSE(pageSwitch->isChecked());
}

// "打开工作日志" on a desktop where nothing opens a text file: the window comes up on the settings, which say
// so and where the log is, as their own log button does; where the log opens, the window stays as it was.
TEST(Tray, TheLogRowSaysWhereTheLogIsWhenNothingOpensIt) {
    DelegateRig rig;
    auto& [platform, defaults, clock, scheduler, networkTimers, network, app] = rig;
    app.launch();
    app.model().finishWelcome();
    app.model().open(AppModel::Section::home);
    QStringList opened;
    bool opens = true;
    app.openFile = [&](const QString& file) {
        opened << file;
        return opens;
    };

    app.act(MenuRow::Action::openLog);
    EXPECT_EQ(opened, QStringList{AppLog::file()});
    EXPECT_EQ(app.model().section(), AppModel::Section::home);

    opens = false;
    app.mainWindow()->hide();
    app.act(MenuRow::Action::openLog);
    ASSERT_TRUE(app.mainWindow());
    EXPECT_TRUE(app.mainWindow()->isVisible());
    EXPECT_EQ(app.model().section(), AppModel::Section::settings);
    auto* said = app.mainWindow()->view()->page()->findChild<QLabel*>("logNotOpened");
    ASSERT_TRUE(said);
    EXPECT_TRUE(said->isVisible());
    EXPECT_FALSE(said->visibleRegion().isEmpty()) << "scrolled into view";
    EXPECT_EQ(said->text(),
              "这台电脑上没有能打开日志的程序（需要一个看文本文件的程序）。日志在：" + AppLog::file());
}

// Every look of the icon stands out from a light tray and from a dark one: enough of its pixels differ
// clearly in brightness from either background.
TEST(Tray, EachLookReadsOnALightAndOnADarkTray) {
    for (const auto look : {TrayIcon::Look::listening, TrayIcon::Look::processing, TrayIcon::Look::ready,
                            TrayIcon::Look::notReady}) {
        const QPixmap icon = TrayIcon::icon(look).pixmap(64, 64);
        for (const QColor background :
             {QColor(Qt::white), QColor(0xF0, 0xF0, 0xF0), QColor(0x20, 0x20, 0x20)}) {
            QImage tray(icon.size(), QImage::Format_RGB32);
            tray.fill(background);
            QPainter(&tray).drawPixmap(0, 0, icon);
            int standingOut = 0;
            for (int y = 0; y < tray.height(); ++y)
                for (int x = 0; x < tray.width(); ++x)
                    standingOut += std::abs(qGray(tray.pixel(x, y)) - qGray(background.rgb())) > 100;
            EXPECT_GT(standingOut, 150) << int(look) << " on " << background.name().toStdString();
        }
    }
}

// The keys the menu's rows show work while the menu is open: each runs its row and closes the menu; a key
// no row shows leaves the menu open and runs nothing.
TEST(Tray, TheKeysTheMenuShowsWorkWhileItIsOpen) {
    const QList<MenuRow> rows = MenuRow::rows({.ready = true, .hotkey = "F9", .version = "1.4"});
    QList<MenuRow::Action> acted;
    TrayIcon tray([&] { return rows; }, [&](MenuRow::Action action) { acted << action; });
    QMenu& menu = tray.menu();
    const auto open = [&] {
        menu.popup(QPoint(100, 100));
        return QTest::qWaitForWindowExposed(&menu, 20000);
    };
    int keys = 0;
    for (const MenuRow& row : rows) {
        if (row.key.isEmpty()) continue;
        ++keys;
        ASSERT_TRUE(open());
        acted.clear();
        QTest::keySequence(&menu, row.key);
        EXPECT_EQ(acted, QList{row.action}) << row.key.toString().toStdString();
        EXPECT_FALSE(menu.isVisible()) << row.key.toString().toStdString();
    }
    EXPECT_EQ(keys, 4);

    ASSERT_TRUE(open());
    acted.clear();
    QTest::keyClick(&menu, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(acted.isEmpty());
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}
