#include "MenuRows.h"

namespace mivora {

namespace {

MenuRow label(const QString& title) {
    return {false, title, MenuRow::Action::none, false, std::nullopt, {}};
}
MenuRow line() {
    return {true, {}, MenuRow::Action::none, true, std::nullopt, {}};
}
MenuRow command(const QString& title, MenuRow::Action action, QKeySequence key = {}) {
    return {false, title, action, true, std::nullopt, key};
}

} // namespace

QList<MenuRow> MenuRow::rows(const State& s) {
    QList<MenuRow> rows;
    rows << label(s.ready ? "按住 " + s.hotkey + " 说话，松开就填好" : QStringLiteral("还需要完成设置"));
    if (s.ready) rows << label("按住 " + s.hotkey + "+Shift 说「我的地址」，填入记忆");
    rows << line();
    MenuRow copy = command("复制上一段", Action::copyLast);
    if (!s.hasLastText) copy.action = Action::none, copy.enabled = false;
    rows << copy;
    if (s.hasFailedClip) rows << command("重试上一段", Action::retryLast);
    rows << line();
    rows << command("打开 Veskel", Action::openHome, QKeySequence(Qt::CTRL | Qt::Key_O));
    rows << command("教程", Action::openTutorial);
    rows << command(s.memories == 0 ? QStringLiteral("添加记忆…")
                                    : "记忆（" + QString::number(s.memories) + "）…",
                    Action::openMemories, QKeySequence(Qt::CTRL | Qt::Key_M));
    MenuRow typing = command("打字时递上记忆（按 Tab 填入）", Action::toggleTyping);
    typing.checked = s.typingSuggestions;
    rows << typing;
    rows << command(s.ready ? QStringLiteral("设置…") : QStringLiteral("完成设置…"), Action::openSetup,
                    QKeySequence(Qt::CTRL | Qt::Key_Comma));
    rows << command("打开工作日志", Action::openLog);
    if (s.hasUpdater) rows << command("检查更新…", Action::checkUpdates);
    rows << label("版本 " + s.version);
    rows << line();
    rows << command("退出 Veskel", Action::quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    return rows;
}

} // namespace mivora
