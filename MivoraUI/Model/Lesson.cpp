#include "MivoraUI/Model/Lesson.h"

#include "Platform/PlatformWords.h"

namespace mivora::Lessons {

namespace {

// "Fn" in the tables stands for the hotkey; "这台 Mac" for this computer.
QString say(const char* text, const QString& hotkey) {
    QString out = QString::fromUtf8(text);
    // The space only kept the Latin name apart from the Chinese after it.
    out.replace(QStringLiteral("这台 Mac "), PlatformWords::thisComputer());
    out.replace(QStringLiteral("这台 Mac"), PlatformWords::thisComputer());
    out.replace(QStringLiteral("Fn"), hotkey);
    return out;
}

QStringList sayAll(const std::array<const char*, 3>& texts, const QString& hotkey) {
    QStringList out;
    for (const char* text : texts)
        out << say(text, hotkey);
    return out;
}

std::size_t index(Lesson lesson) {
    return std::size_t(raw(lesson));
}

} // namespace

int raw(Lesson lesson) {
    return static_cast<int>(lesson);
}

std::optional<Lesson> fromRaw(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<Lesson>(raw);
}

QString title(Lesson lesson) {
    static const std::array<const char*, 3> titles{"口述", "问", "打字递上"};
    return QString::fromUtf8(titles[index(lesson)]);
}

QString symbol(Lesson lesson) {
    static const std::array<const char*, 3> symbols{"waveform", "sparkle.magnifyingglass", "bolt.fill"};
    return QString::fromUtf8(symbols[index(lesson)]);
}

QString tagline(Lesson lesson, const QString& hotkey) {
    static const std::array<const char*, 3> taglines{
        "按住 Fn 随便说，松开就是整理好的文字",
        "按住 Fn+Shift 说「我的地址」，直接填好",
        "打出记忆的名字，按 Tab 接上内容",
    };
    return say(taglines[index(lesson)], hotkey);
}

QStringList keys(Lesson lesson, const QString& hotkey) {
    switch (lesson) {
    case Lesson::dictate:
        return {hotkey};
    case Lesson::recall:
        return {hotkey, QStringLiteral("shift")};
    case Lesson::typing:
        return {QStringLiteral("tab")};
    }
    return {};
}

QStringList steps(Lesson lesson, const QString& hotkey) {
    static const std::array<std::array<const char*, 3>, 3> steps{{
        {"点一下下面的输入框", "按住 Fn，像平时说话一样说一句", "松开 Fn，文字就出现了"},
        {"点一下下面的输入框", "按住 Fn 和 Shift，说出一条记忆的名字", "松开，内容直接填进去"},
        {"点一下下面的输入框", "打出一条记忆的名字，打一半也行", "光标旁出现提示时，按 Tab"},
    }};
    return sayAll(steps[index(lesson)], hotkey);
}

QStringList tips(Lesson lesson, const QString& hotkey) {
    static const std::array<std::array<const char*, 3>, 3> tips{{
        {"说长段时按 Fn+空格，可以松开手说，再按 Fn 结束", "说错了直接改口：「三点，不对，四点」只会留下四点",
         "说「第一、第二」会自动分条；按 Esc 随时取消"},
        {"只命中一条时直接填；有几条像的，按 1/2/3 选", "密码这类敏感信息要按两次才填",
         "记忆只存在这台 Mac 上"},
        {"「谷歌」就能递上「谷歌邮箱」，「公司的地址」也认得",
         "不想要就接着打字；同一个词连续两次不用，它就只在「邮箱：」这类明确说法时出现",
         "微信里按拼音认，提示条出现在输入框上方"},
    }};
    return sayAll(tips[index(lesson)], hotkey);
}

} // namespace mivora::Lessons
