#include "StartNotes.h"

#include <cstdio>

namespace mivora {

QStringList StartNotes::lines(const Facts& facts) {
    QStringList left;
    if (!facts.recognitionConfigured)
        left << QStringLiteral("云端识别还没配置好：把 OpenAI 密钥（sk- 开头的一行）放进 ") + facts.keyFile +
                    QStringLiteral("，或者使用配置了中转的版本");
    if (!facts.trayAvailable)
        left << QStringLiteral(
            "没找到系统托盘，不会有托盘图标：主窗口关掉以后，再运行一次 mivora 就能打开它");
    if (facts.signInNeeded) left << QStringLiteral("还没登录：在主窗口里登录账号以后才能听写");

    QStringList out{QStringLiteral("Mivora 已启动，日志在 ") + facts.logFile};
    if (left.isEmpty()) {
        out << QStringLiteral("可以听写了：在任何程序里按住 ") + facts.hotkey +
                   QStringLiteral(" 说话，松开后文字会打到光标处");
        return out;
    }
    out << QStringLiteral("第一次听写之前还差：");
    for (const QString& line : left)
        out << QStringLiteral("  · ") + line;
    return out;
}

void StartNotes::print(const Facts& facts) {
    const QByteArray text = (lines(facts).join('\n') + '\n').toUtf8();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    std::fflush(stderr);
}

} // namespace mivora
