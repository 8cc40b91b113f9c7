#include "MenuRows.h"

#include <gtest/gtest.h>

using namespace mivora;
using Action = MenuRow::Action;

namespace {

QStringList titles(const QList<MenuRow>& rows) {
    QStringList out;
    for (const MenuRow& row : rows)
        out << (row.separator ? QStringLiteral("—") : row.title);
    return out;
}

} // namespace

TEST(MenuRows, NotReadyWithNothingDictatedYet) {
    MenuRow::State state;
    state.hotkey = "右 Ctrl";
    state.version = "0.1.0";
    const QList<MenuRow> rows = MenuRow::rows(state);
    EXPECT_EQ(titles(rows), QStringList({"还需要完成设置", "—", "复制上一段", "—", "打开 Veskel", "教程",
                                         "添加记忆…", "打字时递上记忆（按 Tab 填入）", "完成设置…",
                                         "打开工作日志", "版本 0.1.0", "—", "退出 Veskel"}));
    EXPECT_FALSE(rows[0].enabled);
    EXPECT_FALSE(rows[2].enabled) << "nothing to copy";
    EXPECT_EQ(rows[2].action, Action::none);
    EXPECT_EQ(rows[7].checked, false);
    EXPECT_EQ(rows[6].action, Action::openMemories);
    EXPECT_EQ(rows.last().action, Action::quit);
    EXPECT_EQ(rows.last().key, QKeySequence("Ctrl+Q"));
}

TEST(MenuRows, ReadyWithALastTextAFailedTakeMemoriesAndAnUpdater) {
    MenuRow::State state{true, "右 Ctrl", true, true, 3, true, true, "0.1.0"};
    const QList<MenuRow> rows = MenuRow::rows(state);
    EXPECT_EQ(titles(rows),
              QStringList({"按住 右 Ctrl 说话，松开就填好", "按住 右 Ctrl+Shift 说「我的地址」，填入记忆",
                           "—", "复制上一段", "重试上一段", "—", "打开 Veskel", "教程", "记忆（3）…",
                           "打字时递上记忆（按 Tab 填入）", "设置…", "打开工作日志", "检查更新…",
                           "版本 0.1.0", "—", "退出 Veskel"}));
    EXPECT_EQ(rows[3].action, Action::copyLast);
    EXPECT_TRUE(rows[3].enabled);
    EXPECT_EQ(rows[4].action, Action::retryLast);
    EXPECT_EQ(rows[8].action, Action::openMemories);
    EXPECT_EQ(rows[9].checked, true);
    EXPECT_EQ(rows[12].action, Action::checkUpdates);
}
