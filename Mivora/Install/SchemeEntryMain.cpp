// Prints the sign-in callback's desktop entry for the program installed at argv[1], byte for byte the one the
// program writes for itself when it starts from there. Run by `cmake --install`.
#include "SchemeHandlerEntry.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: mivora_scheme_entry <installed program>\n", stderr);
        return 2;
    }
    const auto contents = mivora::SchemeHandlerEntry::contents(QString::fromUtf8(argv[1]));
    if (!contents) {
        std::fputs("安装位置的路径里有控制字符，登录回调的桌面入口写不下它：换一个安装位置\n", stderr);
        return 1;
    }
    const QByteArray& entry = *contents;
    return std::fwrite(entry.constData(), 1, std::size_t(entry.size()), stdout) == std::size_t(entry.size())
               ? 0
               : 1;
}
