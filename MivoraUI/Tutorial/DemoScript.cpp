#include "MivoraUI/Tutorial/DemoScript.h"

namespace mivora::DemoScript {

namespace {

using Kind = VoicePhase::Kind;

constexpr const char* sentence = "明天下午三点开会，记得带电脑。";
constexpr const char* address = "上海市浦东新区示例路 88 号";
constexpr const char* recipient = "收件人：唐小禾，";
constexpr const char* memoryName = "我的地址";
constexpr const char* accepted = "：上海市浦东新区示例路 88 号";

std::vector<Row> around(std::vector<Row> rows) {
    rows.insert(rows.begin(), Row{.fn = false,
                                  .shift = false,
                                  .tab = false,
                                  .chip = false,
                                  .hud = Kind::idle,
                                  .text = "",
                                  .pause = 0.9});
    rows.push_back(Row{.pause = 0.6});
    rows.push_back(Row{.hud = Kind::idle, .pause = 2.4});
    return rows;
}

} // namespace

const std::vector<Row>& cycle(Lesson lesson) {
    static const std::vector<Row> dictate = around({
        {.fn = true, .hud = Kind::listening, .pause = 1.9},
        {.fn = false, .hud = Kind::processing, .pause = 0.8},
        {.hud = Kind::done, .type = sentence, .speed = 0.03},
    });
    static const std::vector<Row> recall = around({
        {.shift = true, .pause = 0.25},
        {.fn = true, .hud = Kind::listening, .pause = 1.2},
        {.fn = false, .shift = false, .hud = Kind::processing, .pause = 0.5},
        {.hud = Kind::done, .text = address, .animated = true},
    });
    static const std::vector<Row> typing = around({
        {.type = recipient, .speed = 0.045},
        {.type = memoryName, .speed = 0.045},
        {.pause = 0.35},
        {.chip = true, .pause = 1.1},
        {.tab = true, .pause = 0.18},
        {.tab = false, .chip = false, .text = accepted, .append = true, .animated = true},
    });
    switch (lesson) {
    case Lesson::dictate:
        return dictate;
    case Lesson::recall:
        return recall;
    case Lesson::typing:
        return typing;
    }
    return dictate;
}

QString endText(Lesson lesson) {
    switch (lesson) {
    case Lesson::dictate:
        return QString::fromUtf8(sentence);
    case Lesson::recall:
        return QString::fromUtf8(address);
    case Lesson::typing:
        return QString::fromUtf8(memoryName) + QString::fromUtf8(accepted);
    }
    return {};
}

SuggestController::Offer offer() {
    return {
        QStringLiteral("d"), QStringLiteral("家庭地址"), QString::fromUtf8(address), false, false, QRectF()};
}

} // namespace mivora::DemoScript
