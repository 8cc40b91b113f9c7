#include "Platform/Linux/TerminalClasses.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

namespace mivora::TerminalClasses {

namespace {

// Window classes (lower case) of the applications whose Ctrl+V is not paste: the terminal emulators found
// on Debian and its usual desktops, and the editors with keys of their own. The xterm family and rxvt
// paste only the primary selection from the keyboard (Shift+Insert); the other terminals paste the
// clipboard with Ctrl+Shift+V. Emacs yanks the clipboard with Ctrl+Y (its Ctrl+V scrolls). gvim gets no
// key: in insert mode its Ctrl+V waits to insert the next key literally (the next paste would write a raw
// ^V), and Debian's Shift+Insert pastes the primary selection, in normal mode at the mouse pointer.
const QHash<QString, PasteKeys>& table() {
    static const QHash<QString, PasteKeys> classes = {
        {"xterm", PasteKeys::shiftInsert},
        {"uxterm", PasteKeys::shiftInsert},
        {"urxvt", PasteKeys::shiftInsert},
        {"rxvt", PasteKeys::shiftInsert},
        {"gnome-terminal", PasteKeys::controlShiftV},
        {"gnome-terminal-server", PasteKeys::controlShiftV},
        {"org.gnome.console", PasteKeys::controlShiftV},
        {"kgx", PasteKeys::controlShiftV},
        {"konsole", PasteKeys::controlShiftV},
        {"xfce4-terminal", PasteKeys::controlShiftV},
        {"lxterminal", PasteKeys::controlShiftV},
        {"qterminal", PasteKeys::controlShiftV},
        {"mate-terminal", PasteKeys::controlShiftV},
        {"terminator", PasteKeys::controlShiftV},
        {"tilix", PasteKeys::controlShiftV},
        {"sakura", PasteKeys::controlShiftV},
        {"guake", PasteKeys::controlShiftV},
        {"tilda", PasteKeys::controlShiftV},
        {"terminology", PasteKeys::controlShiftV},
        {"kitty", PasteKeys::controlShiftV},
        {"alacritty", PasteKeys::controlShiftV},
        {"org.wezfurlong.wezterm", PasteKeys::controlShiftV},
        {"st-256color", PasteKeys::controlShiftV},
        {"st", PasteKeys::controlShiftV},
        {"deepin-terminal", PasteKeys::controlShiftV},
        {"emacs", PasteKeys::controlY},
        {"gvim", PasteKeys::menuOnly},
    };
    return classes;
}

// gnome-terminal asks a new clipboard owner for its types when it sees the owner change, and until that
// answer has come it ignores a paste; the other terminals ask at the paste.
const QSet<QString>& earlyPasteDroppers() {
    static const QSet<QString> classes = {"gnome-terminal", "gnome-terminal-server"};
    return classes;
}

} // namespace

PasteKeys pasteKeys(const QString& instance, const QString& windowClass) {
    for (const QString& name : {windowClass, instance}) {
        const auto found = table().constFind(name.toLower());
        if (found != table().constEnd()) return *found;
    }
    return PasteKeys::controlV;
}

bool holdsPseudoTerminal(qint64 pid) {
    if (pid <= 0) return false;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    const QStringList entries = fds.entryList(QDir::System | QDir::NoDotAndDotDot);
    for (const QString& fd : entries)
        if (QFile::symLinkTarget(fds.filePath(fd)) == QLatin1String("/dev/ptmx")) return true;
    return false;
}

bool dropsEarlyPaste(const QString& instance, const QString& windowClass) {
    return earlyPasteDroppers().contains(windowClass.toLower()) ||
           earlyPasteDroppers().contains(instance.toLower());
}

} // namespace mivora::TerminalClasses
