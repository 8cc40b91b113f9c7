#include "Platform/Linux/DesktopSettingsPages.h"

#include <QProcess>
#include <QStandardPaths>

namespace mivora {

DesktopSettingsPages::DesktopSettingsPages()
    : DesktopSettingsPages(
          qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
          [](const QString& program) { return QStandardPaths::findExecutable(program); },
          [](const QString& program, const QStringList& args) {
              return QProcess::startDetached(program, args);
          }) {}

DesktopSettingsPages::DesktopSettingsPages(QString desktop, Finder find, Launcher launch)
    : desktop_(std::move(desktop)), find_(std::move(find)), launch_(std::move(launch)) {}

QStringList DesktopSettingsPages::command(const QString& desktop, Page page, const Finder& find) {
    const QStringList names = desktop.toLower().split(':', Qt::SkipEmptyParts);
    const auto is = [&](std::initializer_list<const char*> any) {
        for (const char* n : any)
            if (names.contains(QLatin1String(n))) return true;
        return false;
    };
    const auto installed = [&](const QString& program, const QStringList& args) {
        const QString path = find(program);
        return path.isEmpty() ? QStringList() : QStringList{path} + args;
    };

    QStringList cmd;
    if (is({"gnome", "unity", "budgie", "budgie-desktop"})) {
        const char* panel = page == Page::microphone      ? "sound"
                            : page == Page::accessibility ? "universal-access"
                                                          : "keyboard";
        cmd = installed("gnome-control-center", {QString::fromLatin1(panel)});
    } else if (is({"kde"})) {
        const char* module = page == Page::microphone      ? "kcm_pulseaudio"
                             : page == Page::accessibility ? "kcm_access"
                                                           : "kcm_keyboard";
        cmd = installed("systemsettings", {QString::fromLatin1(module)});
        if (cmd.isEmpty()) cmd = installed("systemsettings5", {QString::fromLatin1(module)});
    } else if (is({"xfce"})) {
        if (page == Page::accessibility) cmd = installed("xfce4-accessibility-settings", {});
        if (page == Page::keyboard) cmd = installed("xfce4-keyboard-settings", {});
    }
    if (cmd.isEmpty() && page == Page::microphone) cmd = installed("pavucontrol", {"--tab=4"});
    return cmd;
}

bool DesktopSettingsPages::open(Page page) {
    const QStringList cmd = command(desktop_, page, find_);
    if (cmd.isEmpty()) return false;
    return launch_(cmd.front(), cmd.mid(1));
}

} // namespace mivora
