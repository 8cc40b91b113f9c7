#include "MivoraUI/Model/Lesson.h"

#include <gtest/gtest.h>

using namespace mivora;

// Every text of every lesson, with the hotkey the user holds in place of the key named in the tables and
// this computer in the platform's words.
TEST(Lessons, EachLessonHasItsTitleKeysTaglineStepsAndTips) {
    const QString key = QStringLiteral("右 Ctrl");
    struct Row {
        Lesson lesson;
        QString title;
        QStringList keys;
        QString tagline;
        QStringList steps;
        QStringList tips;
    };
    const Row rows[] = {
        {Lesson::dictate,
         "口述",
         {key},
         "按住 右 Ctrl 随便说，松开就是整理好的文字",
         {"点一下下面的输入框", "按住 右 Ctrl，像平时说话一样说一句", "松开 右 Ctrl，文字就出现了"},
         {"说长段时按 右 Ctrl+空格，可以松开手说，再按 右 Ctrl 结束",
          "说错了直接改口：「三点，不对，四点」只会留下四点", "说「第一、第二」会自动分条；按 Esc 随时取消"}},
        {Lesson::recall,
         "问",
         {key, "shift"},
         "按住 右 Ctrl+Shift 说「我的地址」，直接填好",
         {"点一下下面的输入框", "按住 右 Ctrl 和 Shift，说出一条记忆的名字", "松开，内容直接填进去"},
         {"只命中一条时直接填；有几条像的，按 1/2/3 选", "密码这类敏感信息要按两次才填",
          "记忆只存在这台电脑上"}},
        {Lesson::typing,
         "打字递上",
         {"tab"},
         "打出记忆的名字，按 Tab 接上内容",
         {"点一下下面的输入框", "打出一条记忆的名字，打一半也行", "光标旁出现提示时，按 Tab"},
         {"「谷歌」就能递上「谷歌邮箱」，「公司的地址」也认得",
          "不想要就接着打字；同一个词连续两次不用，它就只在「邮箱：」这类明确说法时出现",
          "微信里按拼音认，提示条出现在输入框上方"}},
    };
    ASSERT_EQ(std::size(rows), Lessons::all.size());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const int raw = Lessons::raw(row.lesson);
        EXPECT_EQ(Lessons::all[i], row.lesson);
        EXPECT_EQ(Lessons::fromRaw(raw), row.lesson);
        EXPECT_EQ(Lessons::title(row.lesson), row.title) << raw;
        EXPECT_EQ(Lessons::keys(row.lesson, key), row.keys) << raw;
        EXPECT_EQ(Lessons::tagline(row.lesson, key), row.tagline) << raw;
        EXPECT_EQ(Lessons::steps(row.lesson, key), row.steps) << raw;
        EXPECT_EQ(Lessons::tips(row.lesson, key), row.tips) << raw;
    }
    EXPECT_EQ(Lessons::fromRaw(-1), std::nullopt);
    EXPECT_EQ(Lessons::fromRaw(3), std::nullopt);
}
