#include "Suggest/TypingTrigger.h"

#include <gtest/gtest.h>

#include <tuple>

namespace mivora {
namespace {

const QDateTime now = QDateTime(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

Memory memory(const QString& title, const QString& type = {}, qint64 useCount = 0) {
    return Memory{.title = title, .type = type, .value = title + "的值", .useCount = useCount};
}

// (score-free) what the best hit is: word, loose, insertion; the score shows in which of two names wins.
using Outcome = std::tuple<QString, bool, QString>;

template <typename Hit> std::optional<Outcome> outcome(const Hit& hit) {
    return hit ? std::optional(Outcome{hit->word, hit->loose, hit->insertion}) : std::nullopt;
}

std::optional<Outcome> text(const QString& typed, const QList<Memory>& memories, QSet<QString> muted = {}) {
    TriggerNames names;
    return outcome(TypingTrigger::match(typed, memories, muted, now, names));
}

std::optional<Outcome> pinyin(const QString& letters, bool joined, const QList<Memory>& memories,
                              QSet<QString> muted = {}) {
    TriggerNames names;
    return outcome(TypingTrigger::matchPinyin(letters, joined, memories, muted, now, names));
}

// Which of two memories a text picks tells the scores apart: the rules rank 我的 (100) over a long name
// (80) over a short one (60) over a gapped one (50) over a prefix (40) over category words (30, 20).
TEST(TypingTrigger, TypedTextRulesAndTheirRanks) {
    const Memory company = memory("公司地址"), address = memory("地址", "地址");
    EXPECT_EQ(text("寄到我的公司地址", {company}), Outcome("公司地址", false, "：公司地址的值"));
    EXPECT_EQ(text("公司地址：", {company}), Outcome("公司地址", false, "公司地址的值"));
    EXPECT_EQ(text("地址", {address}), Outcome("地址", true, "：地址的值"));
    EXPECT_EQ(text("地址", {address}, {"地址"}), std::nullopt); // muted, and the category word too
    EXPECT_EQ(text("公司的地址", {company}), Outcome("公司地址", true, "：公司地址的值"));
    EXPECT_EQ(text("发到公司地", {company}), Outcome("公司地", true, "址：公司地址的值"));
    EXPECT_EQ(text("身份", {memory("身份证号码")}), std::nullopt); // 2 × 2 < 5
    EXPECT_EQ(text("公司地址 ", {company}), std::nullopt);
    EXPECT_EQ(text("我的手机号", {memory("老王", "电话")}), Outcome("手机号", false, "：老王的值"));
    EXPECT_EQ(text("连上WiFi", {memory("家里", "信息")}), Outcome("wifi", true, "：家里的值"));
    Memory blank = memory("址");
    blank.aliases = {QStringLiteral("　 ")};
    EXPECT_EQ(text("址", {blank}), std::nullopt);
    Memory expired = company;
    expired.expiresAt = now.addSecs(-1);
    EXPECT_EQ(text("我的公司地址", {expired}), std::nullopt);

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

TEST(TypingTrigger, PinyinRules) {
    const Memory address = memory("地址"), company = memory("公司地址");
    EXPECT_EQ(pinyin("dizhi", false, {address}), Outcome("地址", true, "：地址的值"));
    EXPECT_EQ(pinyin("dz", false, {address}), std::nullopt); // two syllables must be typed in full
    EXPECT_EQ(pinyin("dz", true, {address}), Outcome("地址", false, "地址的值"));
    for (const char* letters : {"wodedizhi", "wddz", "wojiadizhi", "wodidizhi"})
        EXPECT_EQ(pinyin(letters, false, {address}), Outcome("地址", false, "：地址的值")) << letters;
    EXPECT_EQ(pinyin("xdedizhi", false, {address}), Outcome("地址", true, "：地址的值"));
    EXPECT_EQ(pinyin("gsdz", false, {company}), Outcome("公司地址", false, "：公司地址的值"));
    EXPECT_EQ(pinyin("gongsidi", false, {company}), Outcome("公司地", false, "：公司地址的值"));
    EXPECT_EQ(pinyin("sfz", false, {memory("身份证")}), Outcome("身份证", true, "：身份证的值"));
    EXPECT_EQ(pinyin("sfz", false, {memory("身份证")}, {"身份证"}), std::nullopt);
    EXPECT_EQ(pinyin("z", true, {address}), std::nullopt);
    EXPECT_EQ(pinyin("shouji", false, {memory("老王", "电话")}), Outcome("手机", true, "：老王的值"));
    EXPECT_EQ(pinyin("wodeshouji", false, {memory("老王", "电话")}), Outcome("手机", false, "：老王的值"));
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

} // namespace
} // namespace mivora
