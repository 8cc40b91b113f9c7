#include "StartNotes.h"

#include "Audio/MicSource.h"
#include "Platform/PlatformWords.h"

#include <cstdio>

namespace mivora {

namespace {

QString line(SetupModel::Missing missing, const StartNotes::Facts& facts) {
    const QString& key = facts.hotkey;
    switch (missing) {
    case SetupModel::Missing::mic:
        // What a take refused for want of a microphone says.
        return MicSource::MicError(MicSource::MicError::noInput).message();
    case SetupModel::Missing::accessibility:
        return QStringLiteral("辅助功能还没打开：在") + PlatformWords::settingsApp() +
               QStringLiteral("里打开辅助功能，才能认出 ") + key + QStringLiteral(" 键、把文字填到光标处");
    case SetupModel::Missing::hotkey:
        if (facts.hotkeyTaken)
            return key + QStringLiteral(" 被别的程序占作快捷键了：在主窗口的设置里点「换一个键」换一个，"
                                        "或者在那个程序里把它让出来");
        return QStringLiteral("键盘上没有 ") + key +
               QStringLiteral("：在主窗口的设置里点「换一个键」，按一下你想按住说话的键");
    case SetupModel::Missing::recognizer:
        return QStringLiteral("云端识别还没配置好：把 OpenAI 密钥（sk- 开头的一行）放进 ") + facts.keyFile +
               QStringLiteral("，或者使用配置了中转的版本");
    case SetupModel::Missing::account:
        return QStringLiteral("还没登录：在主窗口里登录账号以后才能听写");
    }
    return {};
}

} // namespace

QStringList StartNotes::lines(const Facts& facts) {
    QStringList out{QStringLiteral("Veskel 已启动，日志在 ") + facts.logFile};
    if (facts.missing.isEmpty()) {
        out << QStringLiteral("可以听写了：在任何程序里按住 ") + facts.hotkey +
                   QStringLiteral(" 说话，松开后文字会打到光标处");
    } else {
        out << QStringLiteral("第一次听写之前还差：");
        for (SetupModel::Missing missing : facts.missing)
            out << QStringLiteral("  · ") + line(missing, facts);
    }
    // Not a step before a take: without a tray the program still dictates, only its icon is missing.
    if (!facts.trayAvailable)
        out << QStringLiteral("没找到系统托盘，不会有托盘图标：主窗口关掉以后，再运行一次 mivora 就能打开它");
    return out;
}

void StartNotes::print(const Facts& facts) {
    const QByteArray text = (lines(facts).join('\n') + '\n').toUtf8();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
    std::fflush(stderr);
}

} // namespace mivora
