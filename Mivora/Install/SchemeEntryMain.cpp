// Prints a desktop entry for the program installed at the path given, byte for byte what the program itself
// would write for it: the sign-in callback's entry, or with --launcher the application menu's entry. Run by
// `cmake --install`.
#include "LauncherEntry.h"
#include "SchemeHandlerEntry.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool launcher = argc == 3 && std::strcmp(argv[1], "--launcher") == 0;
    if (argc != 2 && !launcher) {
        std::fputs("usage: mivora_scheme_entry [--launcher] <installed program>\n", stderr);
        return 2;
    }
    const QString program = QString::fromUtf8(argv[argc - 1]);
    const auto contents =
        launcher ? mivora::LauncherEntry::contents(program) : mivora::SchemeHandlerEntry::contents(program);
    if (!contents) {
        std::fputs(launcher ? "安装位置的路径里有控制字符，启动器的桌面入口写不下它：换一个安装位置\n"
                            : "安装位置的路径里有控制字符，登录回调的桌面入口写不下它：换一个安装位置\n",
                   stderr);
        return 1;
    }
    const QByteArray& entry = *contents;
    return std::fwrite(entry.constData(), 1, std::size_t(entry.size()), stdout) == std::size_t(entry.size())
               ? 0
               : 1;
}
