#include "Support/Text.h"

#include <gtest/gtest.h>

using namespace mivora;

TEST(Text, CountsUserPerceivedCharacters) {
    EXPECT_EQ(Text::graphemeCount(u""), 0);
    EXPECT_EQ(Text::graphemeCount(u"你好"), 2);
    EXPECT_EQ(Text::graphemeCount(u"👍🏽a"), 2);          // emoji with skin tone modifier
    EXPECT_EQ(Text::graphemeCount(u"e\u0301"), 1);            // combining accent
    EXPECT_EQ(Text::graphemeCount(u"👨‍👩‍👧"), 1); // joined family
    EXPECT_EQ(Text::graphemes(u"a你👍🏽"), QStringList({"a", "你", "👍🏽"}));
    EXPECT_EQ(Text::prefix(u"👍🏽你好", 2), QString::fromUtf16(u"👍🏽你"));
    EXPECT_EQ(Text::prefix(u"你好", 5), "你好");
    EXPECT_EQ(Text::suffix(u"你好👍🏽", 1), QString::fromUtf16(u"👍🏽"));
}

TEST(Text, ClassifiesCharacters) {
    EXPECT_TRUE(Text::isWhitespace(u" "));
    EXPECT_TRUE(Text::isWhitespace(u"\u3000"));
    EXPECT_TRUE(Text::isWhitespace(u"\n"));
    EXPECT_TRUE(Text::isPunctuation(u"，"));
    EXPECT_TRUE(Text::isPunctuation(u"。"));
    EXPECT_TRUE(Text::isPunctuation(u"!"));
    EXPECT_TRUE(Text::isSymbol(u"+"));
    EXPECT_TRUE(Text::isSymbol(u"👍🏽"));
    EXPECT_FALSE(Text::isPunctuation(u"你"));
    EXPECT_TRUE(Text::isLetter(u"你"));
    EXPECT_TRUE(Text::isNumber(u"3"));
}

TEST(Text, TransformsChinese) {
    EXPECT_EQ(Text::toSimplified("這個軟體說話"), "这个软体说话");
    EXPECT_EQ(Text::toSimplified("abc"), "abc");
    EXPECT_EQ(Text::toLatin("你好"), "ni hao");
    EXPECT_EQ(Text::toLatin("绿"), "lu");
}
