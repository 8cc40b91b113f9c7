#include "Memories/Recall.h"
#include "Support/Text.h"

#include <gtest/gtest.h>

using namespace mivora;

namespace {

const QDateTime now(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

Memory memory(const char* title, const char* type, QStringList aliases = {}, int daysAgo = 60) {
    return {.title = title, .type = type, .aliases = std::move(aliases), .savedAt = now.addDays(-daysAgo)};
}

RecallHit hit(double score, bool exact = true, bool sensitive = false) {
    return RecallHit{Memory{.sensitive = sensitive}, score, QStringLiteral("x"), exact};
}

} // namespace

// Choices and the one inserted at once are the voice controller's tests; here only what they start from.
TEST(Recall, RecallsOnlyLiveMemoriesBestFirst) {
    Memory home = memory("家庭地址", "地址", {"我家"}), work = memory("公司地址", "地址"), expired = work;
    expired.expiresAt = now; // no longer alive
    const auto hits = Recall::recall(QStringLiteral("公司地址"), {home, expired, work}, now);
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].memory, work);
}

TEST(Recall, ScoresNamesTypeWordsAndTimePhrases) {
    const Memory car = memory("车牌", "信息", {"车牌号"});
    auto pho = [](int days) { return memory("阿婆越南河粉", "其他", {"越南粉"}, days); };
    // (query, memory, score, matched name or type word, whole name in the request). A fitting age adds 0.25,
    // any other takes 0.2; window edges are inclusive and the first time rule in table order decides.
    // clang-format off
    const std::vector<std::tuple<const char*, Memory, double, const char*, bool>> cases = {
        {"地址", memory("家庭地址", "地址"), 0.7 / 3 + 0.3, "家庭地址", false},     // shared pairs and a type word
        {"寄到我家家里", memory("家", "地址", {"家", "我家", "家里"}), 1.15, "我家", true}, // first best name
        {" WiFi，「密码」？", memory("家里 Wi-Fi", "信息", {"wifi密码"}), 1.3, "wifi密码", true},
        {"ca\u0301t", memory("ca", "其他"), 0, "", false}, // the accent belongs to the "a"
        {"我的WiFi是什么", car, 0.3, "wifi", false},
        {"wifi密码车牌", car, 0.85 + 0.3, "车牌", true},    // one type bonus only
        {"wifi", memory("车牌", "杂项"), 0, "", false},    // a type without words
        {"上周吃的那家越南粉", pho(15), 1.15, "越南粉", true}, {"上周吃的那家越南粉", pho(30), 0.7, "越南粉", true},
        {"之前那次越南粉", pho(-1), 0.7, "越南粉", true},     {"那次上周越南粉", pho(16), 0.7, "越南粉", true},
        {"越南粉", pho(30), 0.9, "越南粉", true},             {"上个月", pho(7), 0, "", false},
        {"上周吃饭的越南河粉店", memory("越南河粉店", "餐厅", {}, 7), 1.5, "越南河粉店", true}};
    // clang-format on
    for (const auto& [query, m, score, matched, exact] : cases) {
        const auto [s, name, whole] = Recall::score(QString::fromUtf8(query), m, now);
        EXPECT_NEAR(s, score, 1e-9) << query;
        EXPECT_EQ(name, QString::fromUtf8(matched)) << query;
        EXPECT_EQ(whole, exact) << query;
    }
    EXPECT_EQ(Recall::grams(QStringLiteral("e\u0301👍🏽")),
              QSet<QString>{QStringLiteral("e\u0301👍🏽")});
}

TEST(Recall, PairsAgreeWithTheBreakIteratorForEveryBasicCharacter) {
    // Pairs are taken unit by unit wherever that is safe; every BMP unit must still give the pairs that
    // splitting into whole characters gives.
    int mismatches = 0;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (QChar::isSurrogate(c)) continue;
        const QString one{QChar(char16_t(c))};
        const QString text = QStringLiteral("中") + one + QStringLiteral("a") + one + one;
        const QStringList g = Text::graphemes(text);
        QSet<QString> expected;
        for (qsizetype i = 0; i + 1 < g.size(); ++i)
            expected.insert(g[i] + g[i + 1]);
        if (Recall::grams(text) != expected && ++mismatches < 5) ADD_FAILURE() << std::hex << unsigned(c);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(Recall::grams(QStringLiteral("a\r\nb")).size(), 2); // CR LF is one character
}

TEST(Recall, StrongAndAutoInsertPickOnlyClearChoices) {
    EXPECT_EQ(Recall::strong({hit(1.0), hit(0.9), hit(0.9), hit(0.9)}).size(), 3);
    EXPECT_EQ(Recall::strong({hit(1.3), hit(0.79), hit(0.77)}).size(), 2);
    EXPECT_TRUE(Recall::strong({hit(0.45), hit(0.4)}).isEmpty());

    EXPECT_TRUE(Recall::autoInsertCandidate({hit(0.9)}));
    EXPECT_TRUE(Recall::autoInsertCandidate({hit(1.3), hit(0.7)}));
    for (const QList<RecallHit>& hits :
         {QList{hit(0.85)}, QList{hit(1.0, false)}, QList{hit(1.0, true, true)}, QList{hit(1.0), hit(0.95)},
          QList<RecallHit>{}})
        EXPECT_FALSE(Recall::autoInsertCandidate(hits)) << hits.size();
}
