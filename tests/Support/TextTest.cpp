#include "Support/Text.h"
#include "Support/JsonRead.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace mivora;

TEST(Text, WorksOnUserPerceivedCharacters) {
    EXPECT_EQ(Text::graphemes(u"a你👍🏽e\u0301👨‍👩‍👧"),
              QStringList({"a", "你", "👍🏽", "e\u0301", "👨‍👩‍👧"}));
    EXPECT_EQ(Text::prefix(u"👍🏽你好", 2), QString::fromUtf16(u"👍🏽你"));
    EXPECT_TRUE(Text::isSymbol(u"👍🏽")); // classified by its first code point
}

// UTF-8 read as text keeps a leading U+FEFF (Qt's own conversion drops it), and the JSON reader keeps it
// at the start of every string and member name, raw or escaped; a mark before the document is skipped.
TEST(Text, ReadersKeepALeadingByteOrderMark) {
    const QString mark(QChar(0xFEFF));
    EXPECT_EQ(Text::fromUtf8("\xEF\xBB\xBF\xEF\xBB\xBFpass"), mark + mark + "pass");
    EXPECT_EQ(Text::fromUtf8("a\xFF"), QString::fromUtf16(u"a\uFFFD"));
    const QJsonObject o =
        JsonRead::document(
            "\xEF\xBB\xBF{\"\xEF\xBB\xBFk\":[\"\xEF\xBB\xBFv\",\"\\ufeffw\",\"x\xEF\xBB\xBF\"]}")
            .object();
    EXPECT_EQ(o.keys(), QStringList{mark + "k"});
    EXPECT_EQ(o.value(mark + "k").toArray(), QJsonArray({mark + "v", mark + "w", "x" + mark}));
    QJsonParseError error;
    JsonRead::document("[1,\xEF\xBB\xBF 2]", &error);
    EXPECT_NE(error.error, QJsonParseError::NoError);
}
