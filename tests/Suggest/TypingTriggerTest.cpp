#include "Suggest/TypingTrigger.h"

#include <gtest/gtest.h>

#include <tuple>

namespace mivora {
namespace {

const QDateTime now = QDateTime(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

Memory memory(const QString& title, const QString& type = {}, qint64 useCount = 0) {
    return Memory{.title = title, .type = type, .value = title + "的值", .useCount = useCount};
}

// The best hit: word, loose, insertion and score.
using Outcome = std::tuple<QString, bool, QString, int>;

template <typename Hit> std::optional<Outcome> outcome(const Hit& hit, int score) {
    return hit ? std::optional(Outcome{hit->word, hit->loose, hit->insertion, score}) : std::nullopt;
}

std::optional<Outcome> text(const QString& typed, const QList<Memory>& memories, QSet<QString> muted = {}) {
    TriggerNames names;
    int score = -1;
    const auto hit = TypingTrigger::match(typed, memories, muted, now, names, &score);
    return outcome(hit, score);
}

std::optional<Outcome> pinyin(const QString& letters, bool joined, const QList<Memory>& memories,
                              QSet<QString> muted = {}) {
    TriggerNames names;
    int score = -1;
    const auto hit = TypingTrigger::matchPinyin(letters, joined, memories, muted, now, names, &score);
    return outcome(hit, score);
}

TEST(TypingTrigger, TypedTextRulesAndTheirScores) {
    const Memory company = memory("公司地址"), address = memory("地址", "地址");
    EXPECT_EQ(text("寄到我的公司地址", {company}), Outcome("公司地址", false, "：公司地址的值", 104));
    EXPECT_EQ(text("公司地址：", {company}), Outcome("公司地址", false, "公司地址的值", 84));
    EXPECT_EQ(text("地址", {address}), Outcome("地址", true, "：地址的值", 62));
    EXPECT_EQ(text("地址", {address}, {"地址"}), std::nullopt); // muted, and the category word too
    EXPECT_EQ(text("公司的地址", {company}), Outcome("公司地址", true, "：公司地址的值", 54));
    EXPECT_EQ(text("发到公司地", {company}), Outcome("公司地", true, "址：公司地址的值", 43));
    EXPECT_EQ(text("身份", {memory("身份证号码")}), std::nullopt); // 2 × 2 < 5
    EXPECT_EQ(text("公司地址 ", {company}), std::nullopt);
    EXPECT_EQ(text("公司地址\n", {company}), std::nullopt);
    EXPECT_EQ(text("我的手机号", {memory("老王", "电话")}), Outcome("手机号", false, "：老王的值", 30));
    EXPECT_EQ(text("连上WiFi", {memory("家里", "信息")}), Outcome("wifi", true, "：家里的值", 20));
    Memory blank = memory("址");
    blank.aliases = {QStringLiteral("　 ")};
    EXPECT_EQ(text("址", {blank}), std::nullopt);
    Memory expired = company;
    expired.expiresAt = now.addSecs(-1);
    EXPECT_EQ(text("我的公司地址", {expired}), std::nullopt);

    // Names match whatever the case of their letters, in the name and in the text.
    const Memory email = memory("Email", "信息"), wifi = memory("WiFi 密码");
    EXPECT_EQ(text("我的Email", {email}), Outcome("email", false, "：Email的值", 105));
    EXPECT_EQ(text("发到EMAIL：", {email}), Outcome("email", false, "Email的值", 85));
    EXPECT_EQ(text("连上WIFI 密码", {wifi}), Outcome("wifi 密码", false, "：WiFi 密码的值", 87));
    // A lone surrogate after a letter that grows when lowered (İ is i + U+0307 in lower case) stays itself
    // in the typed text as in the name.
    const QString lone(QChar(0xD800));
    const Memory dotted = memory("公司İ" + lone);
    EXPECT_EQ(text("我的公司İ" + lone, {dotted}),
              Outcome("公司i\u0307" + lone, false, "：公司İ" + lone + "的值", 104));
    EXPECT_EQ(text("发到公司İ" + lone + "：", {memory("公司i\u0307" + lone)}),
              Outcome("公司i\u0307" + lone, false, "公司i\u0307" + lone + "的值", 84));

    // 我的 + name (104) beats a long name typed bare elsewhere; a name beats a category word.
    EXPECT_EQ(std::get<0>(*text("我的公司地址", {memory("司地址"), company})), "公司地址");
    EXPECT_EQ(std::get<0>(*text("家庭地址", {memory("家庭地址"), address})), "家庭地址");
    // Equal scores: the higher use count wins, then the earlier memory.
    const Memory home = memory("家里地址", {}, 0),
                 used = Memory{.title = "家里地址", .value = "B", .useCount = 3};
    EXPECT_EQ(std::get<2>(*text("家里地址", {home, used})), "：B");
    EXPECT_EQ(std::get<2>(*text("家里地址", {home, Memory{.title = "家里地址", .value = "B"}})),
              "：家里地址的值");
}

// Texts end with a name, or 我的 + a name, only when their characters do: a prepended mark before 我 makes
// one character with it, and one before a category word with its first letter.
TEST(TypingTrigger, PossessivesAndCategoryWordsCompareCharacters) {
    EXPECT_EQ(text("\u0600我的地址", {memory("地址")}), Outcome("地址", true, "：地址的值", 62));
    EXPECT_EQ(text("\u0600我的手机号", {memory("老王", "电话")}), Outcome("手机号", true, "：老王的值", 20));
    EXPECT_EQ(text("x\u0600email", {memory("老王", "邮箱")}), std::nullopt);
    // A name that begins with a combining mark: typed after 我的, the mark joins 的 in both.
    EXPECT_EQ(text("我的\u0301地址", {memory("\u0301地址")}),
              Outcome("\u0301地址", false, "：\u0301地址的值", 103));
    EXPECT_EQ(text("到\u0301地址", {memory("\u0301地址")}), std::nullopt);
}

TEST(TypingTrigger, PinyinRulesAndTheirScores) {
    const Memory address = memory("地址"), company = memory("公司地址");
    EXPECT_EQ(pinyin("dizhi", false, {address}), Outcome("地址", true, "：地址的值", 62));
    EXPECT_EQ(pinyin("dz", false, {address}), std::nullopt); // two syllables must be typed in full
    EXPECT_EQ(pinyin("dz", true, {address}), Outcome("地址", false, "地址的值", 82));
    for (const char* letters : {"wodedizhi", "wddz", "wojiadizhi", "wodidizhi"})
        EXPECT_EQ(pinyin(letters, false, {address}), Outcome("地址", false, "：地址的值", 102)) << letters;
    EXPECT_EQ(pinyin("xdedizhi", false, {address}), Outcome("地址", true, "：地址的值", 62));
    EXPECT_EQ(pinyin("gsdz", false, {company}), Outcome("公司地址", false, "：公司地址的值", 84));
    EXPECT_EQ(pinyin("gongsidi", false, {company}), Outcome("公司地", false, "：公司地址的值", 73));
    EXPECT_EQ(pinyin("wodegongsidi", false, {company}), Outcome("公司地址", false, "：公司地址的值", 93));
    EXPECT_EQ(pinyin("sfz", false, {memory("身份证")}), Outcome("身份证", true, "：身份证的值", 63));
    EXPECT_EQ(pinyin("sfz", false, {memory("身份证")}, {"身份证"}), std::nullopt);
    EXPECT_EQ(pinyin("z", true, {address}), std::nullopt);
    EXPECT_EQ(pinyin("shouji", false, {memory("老王", "电话")}), Outcome("手机", true, "：老王的值", 20));
    EXPECT_EQ(pinyin("wodeshouji", false, {memory("老王", "电话")}),
              Outcome("手机", false, "：老王的值", 30));
    EXPECT_EQ(pinyin("sj", true, {memory("老王", "电话")}), Outcome("手机", false, "老王的值", 30));
    // Scores: 我的 + name (102) over a long name (84).
    EXPECT_EQ(std::get<0>(*pinyin("wodedizhi", false, {memory("的地址"), address})), "地址");
}

TEST(TypingTrigger, ReadingsComeFromThePolyphoneTableTheTransliterationAndAsciiCharacters) {
    EXPECT_EQ(TypingTrigger::readings("地址"), Readings({{"di", "de"}, {"zhi"}}));
    EXPECT_EQ(TypingTrigger::readings("绿"), Readings({{"lu"}}));
    EXPECT_EQ(TypingTrigger::readings("wifi密码"), Readings({{"w"}, {"i"}, {"f"}, {"i"}, {"mi"}, {"ma"}}));
    EXPECT_EQ(TypingTrigger::readings("公司 地址!"), Readings({{"gong"}, {"si"}, {"di", "de"}, {"zhi"}}));
    EXPECT_TRUE(TypingTrigger::endsWith(u"xdz", TypingTrigger::readings("地址"), true));
    EXPECT_FALSE(TypingTrigger::endsWith(u"xdz", TypingTrigger::readings("地址"), false));
    EXPECT_FALSE(TypingTrigger::endsWith(u"dz", Readings({{"d"}, {}}), true));
}

// How much of the letters typed into an input method the field already shows: a pick of part of them, the
// initials of a name, letters typed without an input method; never letters the field only had before.
TEST(TypingTrigger, LandedCountsTheLettersTheTextBeforeTheCaretSpells) {
    struct Row {
        const char* text;
        const char* letters;
        qsizetype landed;
    };
    for (const Row& row : {
             Row{"公司", "gongsidizhi", 6}, // the digit picked 公司 only
             Row{"寄到公司地址", "gongsidizhi", 11}, Row{"寄到公司地址", "gsdz", 4}, // initials
             Row{"寄到公司地", "gsdz", 3}, Row{"", "gongsidizhi", 0}, // the pick is still in the composition
             Row{"公司地址", "ma", 0},                                // the composition after a name
             Row{"公司地址", "gongsi", 0}, // the end of the text is not the beginning of the letters
             Row{"my email ", "email", 5}, // no input method: the letters themselves
             Row{"地址：", "dizhi", 0},    // a mark after the characters
         })
        EXPECT_EQ(TypingTrigger::landed(QString::fromUtf8(row.text), QString::fromUtf8(row.letters)),
                  row.landed)
            << row.text << " / " << row.letters;
}

} // namespace
} // namespace mivora
