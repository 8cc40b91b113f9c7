#include "Support/Text.h"

#include <gtest/gtest.h>

using namespace mivora;

TEST(Text, WorksOnUserPerceivedCharacters) {
    EXPECT_EQ(Text::graphemes(u"a你👍🏽e\u0301👨‍👩‍👧"),
              QStringList({"a", "你", "👍🏽", "e\u0301", "👨‍👩‍👧"}));
    EXPECT_EQ(Text::prefix(u"👍🏽你好", 2), QString::fromUtf16(u"👍🏽你"));
    EXPECT_TRUE(Text::isSymbol(u"👍🏽")); // classified by its first code point
}
