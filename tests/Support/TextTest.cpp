#include "Support/Text.h"
#include "Support/JsonRead.h"

#include <QJsonArray>
#include <QJsonObject>

#include <unicode/translit.h>
#include <unicode/uniset.h>

#include <memory>

#include <gtest/gtest.h>

using namespace mivora;
using namespace Qt::StringLiterals;

TEST(Text, WorksOnUserPerceivedCharacters) {
    EXPECT_EQ(Text::graphemes(u"a你👍🏽e\u0301👨‍👩‍👧"),
              QStringList({"a", "你", "👍🏽", "e\u0301", "👨‍👩‍👧"}));
    EXPECT_EQ(Text::prefix(u"👍🏽你好", 2), QString::fromUtf16(u"👍🏽你"));
    EXPECT_TRUE(Text::isSymbol(u"👍🏽")); // classified by its first code point

    // Any offset inside a character falls back to where it starts; the character is told from the text
    // around the offset, however long the text goes on after it.
    const QString text = u"a👍🏽é🇨🇳🇯🇵"_s + QString("x").repeated(1 << 20);
    const QList<qsizetype> starts{0, 1, 1, 1, 1, 5, 5, 7, 7, 7, 7, 11, 11, 11, 11, 15};
    for (qsizetype at = 0; at < starts.size(); ++at)
        EXPECT_EQ(Text::characterStart(text, at), starts[at]) << at;
    EXPECT_EQ(Text::characterStart(u"ab", 5), 2);
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

// The conversion is skipped for text without a character it could change, so it must agree with ICU's own
// converter on every character that converter reads, and on words whose characters each stay as they are.
TEST(Text, SimplifiedConversionMissesNothingIcuWouldChange) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::Transliterator> icu(
        icu::Transliterator::createInstance("Traditional-Simplified", UTRANS_FORWARD, status));
    ASSERT_TRUE(U_SUCCESS(status));
    const auto direct = [&](const QString& text) {
        icu::UnicodeString s(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
        icu->transliterate(s);
        return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
    };
    icu::UnicodeSet read;
    icu->getSourceSet(read);
    ASSERT_GT(read.size(), 1000);
    int changed = 0;
    for (int32_t r = 0; r < read.getRangeCount(); ++r)
        for (UChar32 c = read.getRangeStart(r); c <= read.getRangeEnd(r); ++c) {
            const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
            const QString expected = direct(one);
            changed += expected != one;
            ASSERT_EQ(Text::toSimplified(one), expected) << c;
        }
    EXPECT_GT(changed, 1000);
    for (const QString& word : {u"祇管"_s, u"鞦韆"_s, u"我們在這裡"_s, u"今天天气很好，你呢？"_s, u"𠀾a"_s})
        EXPECT_EQ(Text::toSimplified(word), direct(word)) << qPrintable(word);
}

// Lowering is full and by code point: a lone surrogate is kept after a character that grows (İ becomes
// i + U+0307) or merely changes, so typed text and a memory's name lowered apart still compare equal; a
// word-final Σ becomes ς.
TEST(Text, LoweringKeepsALoneSurrogate) {
    const QString text = u"公司İ"_s + QChar(0xD800);
    const QString expected = u"公司i\u0307"_s + QChar(0xD800);
    EXPECT_EQ(Text::toLower(text), expected);
    EXPECT_EQ(Text::toLower(u"公司İ"_s + QChar(0xD800)), expected);
    EXPECT_EQ(Text::toLower(u"X"_s + QChar(0xDFEB) + u"B"_s), u"x"_s + QChar(0xDFEB) + u"b"_s);
    EXPECT_EQ(Text::toLower(u"ΟΔΟΣ ΣΟΦΟΚΛΕΟΥΣ"_s), u"οδος σοφοκλεους"_s);
}
