#include "Memories/Recall.h"
#include "Memories/Seed.h"
#include "Support/Text.h"

#include <gtest/gtest.h>

using namespace mivora;

namespace {

const QDateTime now(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

Memory memory(const QString& title, const QString& type, QStringList aliases, double daysAgo,
              bool sensitive = false) {
    return Memory{.title = title,
                  .type = type,
                  .aliases = std::move(aliases),
                  .value = title + QStringLiteral("的内容"),
                  .savedAt = now.addMSecs(-qint64(daysAgo * 86400 * 1000)),
                  .sensitive = sensitive};
}

struct Homes : ::testing::Test {
    Memory a = memory(QStringLiteral("家庭地址"), QStringLiteral("地址"),
                      {QStringLiteral("我家"), QStringLiteral("家里")}, 90);
    Memory b = memory(QStringLiteral("公司地址"), QStringLiteral("地址"),
                      {QStringLiteral("公司"), QStringLiteral("单位")}, 80);
    QList<Memory> both{a, b};
};

RecallHit hit(double score, bool exact = true, bool sensitive = false) {
    Memory m{.title = QStringLiteral("x"), .sensitive = sensitive};
    return RecallHit{m, score, QStringLiteral("x"), exact};
}

QList<double> scores(const QList<RecallHit>& hits) {
    QList<double> out;
    for (const auto& h : hits)
        out.append(h.score);
    return out;
}

} // namespace

TEST_F(Homes, ACategoryWordAloneOffersBothAsChoicesButInsertsNeither) {
    const auto hits = Recall::recall(QStringLiteral("地址"), both, now);
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].memory, a);
    EXPECT_EQ(hits[1].memory, b);
    EXPECT_NEAR(hits[0].score, 0.7 / 3 + 0.3, 1e-9);
    EXPECT_EQ(hits[0].matched, QStringLiteral("家庭地址"));
    EXPECT_FALSE(hits[0].exact);
    EXPECT_EQ(Recall::strong(hits).size(), 2);
    EXPECT_FALSE(Recall::autoInsertCandidate(hits));
}

TEST_F(Homes, AWholeTitleWinsAndIsInsertedUnlessSensitive) {
    const auto hits = Recall::recall(QStringLiteral("公司地址"), both, now);
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].memory, b);
    EXPECT_NEAR(hits[0].score, 1.25, 1e-9);
    EXPECT_EQ(hits[0].matched, QStringLiteral("公司地址"));
    EXPECT_TRUE(hits[0].exact);
    EXPECT_NEAR(hits[1].score, 0.7 / 3 + 0.3, 1e-9);
    EXPECT_EQ(Recall::strong(hits).size(), 1);
    EXPECT_EQ(Recall::autoInsertCandidate(hits), b);

    b.sensitive = true;
    EXPECT_FALSE(Recall::autoInsertCandidate(Recall::recall(QStringLiteral("公司地址"), {a, b}, now)));
}

TEST_F(Homes, NamesCountInTheirOrderAndShortOnesAreIgnored) {
    // "我家" (two characters, 0.85) is contained; a later equal score never displaces it.
    a.aliases = {QStringLiteral("家"), QStringLiteral("我家"), QStringLiteral("家里")};
    auto [s, matched, exact] = Recall::score(QStringLiteral("寄到我家家里"), a, now);
    EXPECT_NEAR(s, 0.85 + 0.3, 1e-9);
    EXPECT_EQ(matched, QStringLiteral("我家"));
    EXPECT_TRUE(exact);

    const Memory punct = memory(QStringLiteral("，。 ！"), QStringLiteral("其他"), {QStringLiteral("家")}, 1);
    EXPECT_EQ(Recall::score(QStringLiteral("，。 ！家"), punct, now), std::make_tuple(0.0, QString(), false));
}

TEST(Recall, CaseSpacesAndPunctuationDoNotMatter) {
    EXPECT_EQ(Recall::norm(QStringLiteral(" WiFi\t密码，「Ｘ」—\u3000ok?\r\n")),
              QStringLiteral("wifi密码ｘok"));
    EXPECT_EQ(Recall::norm(QStringLiteral("‘引号’")), QStringLiteral("‘引号"));
    const Memory wifi =
        memory(QStringLiteral("家里 Wi-Fi"), QStringLiteral("信息"), {QStringLiteral("wifi密码")}, 70);
    auto [s, matched, exact] = Recall::score(QStringLiteral("WiFi 密码"), wifi, now);
    EXPECT_TRUE(exact);
    EXPECT_EQ(matched, QStringLiteral("wifi密码"));
    EXPECT_NEAR(s, 1.0 + 0.3, 1e-9);
}

TEST(Recall, GramsAndContainmentWorkOnWholeCharacters) {
    EXPECT_EQ(Recall::grams(QStringLiteral("地址地址")),
              (QSet<QString>{QStringLiteral("地址"), QStringLiteral("址地")}));
    EXPECT_TRUE(Recall::grams(QStringLiteral("家")).isEmpty());
    // A combining accent and an emoji with a skin tone are one character each.
    EXPECT_EQ(Recall::grams(QStringLiteral("e\u0301👍🏽")),
              QSet<QString>{QStringLiteral("e\u0301👍🏽")});
    EXPECT_EQ(Recall::grams(QStringLiteral("a\r\nb")).size(), 2);

    // "ca" occurs in "cafe\u0301" only as code units, never as whole characters when the accent sits on
    // the "a"; a name that ends inside a character is not contained.
    const Memory accented = memory(QStringLiteral("ca"), QStringLiteral("其他"), {}, 1);
    auto [s, matched, exact] = Recall::score(QStringLiteral("ca\u0301t"), accented, now);
    EXPECT_FALSE(exact);
    EXPECT_EQ(s, 0.0);
    EXPECT_TRUE(std::get<2>(Recall::score(QStringLiteral("cat"), accented, now)));
}

TEST(Recall, PairsAgreeWithTheBreakIteratorForEveryBasicCharacter) {
    // Pairs are taken unit by unit wherever that is safe; every BMP unit between others must still give
    // the pairs that whole-character splitting gives.
    auto byGraphemes = [](const QString& text) {
        const QStringList g = Text::graphemes(text);
        QSet<QString> out;
        for (qsizetype i = 0; i + 1 < g.size(); ++i)
            out.insert(g[i] + g[i + 1]);
        return out;
    };
    int mismatches = 0;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (QChar::isSurrogate(c)) continue;
        const QString one{QChar(char16_t(c))};
        const QString text = QStringLiteral("中") + one + QStringLiteral("a") + one + one;
        if (Recall::grams(text) != byGraphemes(text) && ++mismatches < 5)
            ADD_FAILURE() << std::hex << unsigned(c);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Recall, TypeWordsAloneReachTheThreshold) {
    const Memory car = memory(QStringLiteral("车牌"), QStringLiteral("信息"), {QStringLiteral("车牌号")}, 60);
    const auto hits = Recall::recall(QStringLiteral("我的WiFi是什么"), {car}, now);
    ASSERT_EQ(hits.size(), 1);
    EXPECT_NEAR(hits[0].score, 0.3, 1e-9);
    EXPECT_EQ(hits[0].matched, QStringLiteral("wifi"));
    EXPECT_FALSE(hits[0].exact);
    // Only one bonus, from the first word in table order; an unknown type has no words.
    EXPECT_NEAR(std::get<0>(Recall::score(QStringLiteral("wifi密码车牌"), car, now)), 0.85 + 0.3, 1e-9);
    Memory other = car;
    other.type = QStringLiteral("杂项");
    EXPECT_TRUE(Recall::recall(QStringLiteral("wifi"), {other}, now).isEmpty());
}

TEST(Recall, TimePhrasesRewardAFittingAgeAndPunishOthers) {
    const Memory pho7 =
        memory(QStringLiteral("阿婆越南河粉"), QStringLiteral("其他"), {QStringLiteral("越南粉")}, 7);
    const Memory pho30 =
        memory(QStringLiteral("阿婆越南河粉"), QStringLiteral("其他"), {QStringLiteral("越南粉")}, 30);
    const Memory future =
        memory(QStringLiteral("阿婆越南河粉"), QStringLiteral("其他"), {QStringLiteral("越南粉")}, -1);
    const QString q = QStringLiteral("上周吃的那家越南粉");
    EXPECT_NEAR(std::get<0>(Recall::score(q, pho7, now)), 0.90 + 0.25, 1e-9);
    EXPECT_NEAR(std::get<0>(Recall::score(q, pho30, now)), 0.90 - 0.2, 1e-9);
    EXPECT_NEAR(std::get<0>(Recall::score(QStringLiteral("之前那次越南粉"), future, now)), 0.90 - 0.2, 1e-9);

    // Window edges are inclusive; the first rule in table order decides.
    EXPECT_EQ(Recall::timeWindow(QStringLiteral("那次上周")), (Recall::Window{4, 15}));
    EXPECT_EQ(Recall::timeWindow(QStringLiteral("刚复制的")), (Recall::Window{0, 0.1}));
    EXPECT_FALSE(Recall::timeWindow(QStringLiteral("上礼")));
    const Memory edge = memory(QStringLiteral("越南粉"), QStringLiteral("其他"), {}, 4);
    EXPECT_NEAR(std::get<0>(Recall::score(QStringLiteral("上星期越南粉"), edge, now)), 1.15, 1e-9);

    // No time phrase: age plays no part.
    EXPECT_NEAR(std::get<0>(Recall::score(QStringLiteral("越南粉"), pho30, now)), 0.90, 1e-9);
}

TEST(Recall, ScoresStayBetweenZeroAndOneAndAHalf) {
    const Memory full = memory(QStringLiteral("越南河粉店"), QStringLiteral("餐厅"), {}, 7);
    EXPECT_EQ(std::get<0>(Recall::score(QStringLiteral("上周吃饭的越南河粉店"), full, now)), 1.5);
    const Memory none = memory(QStringLiteral("毫不相干"), QStringLiteral("其他"), {}, 7);
    EXPECT_EQ(std::get<0>(Recall::score(QStringLiteral("上个月"), none, now)), 0.0);
}

TEST(Recall, ExpiredMemoriesAreNotAlive) {
    Memory gone = memory(QStringLiteral("公司地址"), QStringLiteral("地址"), {}, 10);
    Memory later = gone;
    gone.expiresAt = now;
    later.expiresAt = now.addSecs(1);
    EXPECT_EQ(Recall::alive({gone, later}, now), QList<Memory>{later});
    const auto hits = Recall::recall(QStringLiteral("公司地址"), {gone, later}, now);
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits[0].memory, later);
}

TEST(Recall, StrongKeepsUpToThreeNearTheBest) {
    EXPECT_EQ(scores(Recall::strong({hit(1.3), hit(0.9), hit(0.8), hit(0.6)})),
              (QList<double>{1.3, 0.9, 0.8}));
    EXPECT_EQ(scores(Recall::strong({hit(1.3), hit(0.79), hit(0.77)})), (QList<double>{1.3, 0.79}));
    EXPECT_TRUE(Recall::strong({hit(0.45), hit(0.4)}).isEmpty());
    EXPECT_TRUE(Recall::strong({}).isEmpty());
}

TEST(Recall, AutoInsertNeedsOneExactConfidentOpenHit) {
    EXPECT_TRUE(Recall::autoInsertCandidate({hit(0.9)}));
    EXPECT_TRUE(Recall::autoInsertCandidate({hit(1.3), hit(0.7)}));
    EXPECT_FALSE(Recall::autoInsertCandidate({hit(0.85)}));
    EXPECT_FALSE(Recall::autoInsertCandidate({hit(1.0, false)}));
    EXPECT_FALSE(Recall::autoInsertCandidate({hit(1.0, true, true)}));
    EXPECT_FALSE(Recall::autoInsertCandidate({hit(1.0), hit(0.95)}));
    EXPECT_FALSE(Recall::autoInsertCandidate({}));
}

TEST(Recall, SamplesAreToldApartByTimePhrases) {
    const QList<Memory> samples = Seed::samples(now);
    ASSERT_EQ(samples.size(), 11);
    // "上周" fits the three records between 4 and 15 days old and counts against every other one.
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const double without = std::get<0>(Recall::score(QStringLiteral("那个"), samples[i], now));
        const double with = std::get<0>(Recall::score(QStringLiteral("上周那个"), samples[i], now));
        const bool fits = i == 7 || i == 8 || i == 9;
        EXPECT_NEAR(with, std::max(0.0, without + (fits ? 0.25 : -0.2)), 1e-9) << i;
    }
    const auto hits = Recall::recall(QStringLiteral("家里的WiFi密码"), samples, now);
    ASSERT_FALSE(hits.isEmpty());
    EXPECT_EQ(hits[0].memory.title, QStringLiteral("家里 Wi-Fi"));
    EXPECT_FALSE(Recall::autoInsertCandidate(hits));
}
