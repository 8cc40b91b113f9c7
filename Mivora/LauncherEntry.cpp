#include "LauncherEntry.h"
#include "Platform/Linux/DesktopEntry.h"

namespace mivora::LauncherEntry {

std::optional<QByteArray> contents(const QString& program) {
    const std::optional<QString> exec = DesktopEntry::exec(program);
    if (!exec) return std::nullopt;
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Veskel\n"
                          "GenericName=语音输入\n"
                          "Comment=按住热键说话，文字打到光标处\n"
                          "Exec=%1\n"
                          "Icon=mivora\n"
                          "Terminal=false\n"
                          "Categories=Utility;Accessibility;\n")
        .arg(*exec)
        .toUtf8();
}

} // namespace mivora::LauncherEntry
