#include "Memories/MemoryPayloadScanner.h"
#include "Memories/MemoryPayload.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

const QByteArray memberA =
    R"({"id":"A","title":"家庭地址","type":"地址","aliases":["我家","😀"],"value":"上海市\n\"某人\" \\ \/ \t\r\b\f",)"
    R"("source":"手动添加","savedAt":"2025-03-01T08:00:00Z","updatedAt":"2025-03-02T16:00:00+08:00",)"
    R"("lastUsedAt":"2025-03-03T08:00:00Z","useCount":7,"pinned":true,"pinOrder":-2,"sensitive":true,)"
    R"("expiresAt":"2026-01-01T00:00:00Z"})";
const QByteArray memberB =
    R"({"id":"B","title":"t","type":"t","aliases":[],"value":"v","source":"s",)"
    R"("savedAt":"2025-03-01T08:00:00Z","useCount":0,"pinned":false,"sensitive":false})";

QByteArray payload(const QByteArray& items,
                   const QByteArray& rest = R"("deleted":{"Z":"2025-03-04T00:00:00Z"})") {
    return R"({"v":1,"items":[)" + items + "]," + rest + "}";
}

// What the JSON parser and the record's own decoder make of the bytes.
std::optional<MemoryPayload> parsed(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    return MemoryPayload::decode(doc.object());
}

QByteArray replaced(QByteArray json, const char* from, const char* to) {
    return json.replace(from, to);
}

} // namespace

// What this system writes, also with white space and another member order, is read without the parser;
// escapes (lone surrogates among them), numbers past 2^53 and repeated members are the parser's to decide.
// Either way the result is the parser's; whatever else the scanner meets is compared by the fuzz target.
TEST(MemoryPayloadScanner, ReadsThePlainFormAndLeavesTheRestToTheParser) {
    const auto one = parsed(payload(memberA + "," + memberB));
    ASSERT_TRUE(one);
    JsonWriter w = MemoryPayload::encoder();
    one->encode(w);
    const std::pair<QByteArray, bool> cases[] = {
        {w.data(), true},
        {" \n{ \"deleted\" : { } ,\r\n\t\"items\" : [ " + replaced(memberB, ",", " , ") +
             " ] , \"v\" : 2 }\n",
         true},
        {payload(replaced(memberB, R"("t")", R"("\u0074\ud83d")")), false},
        {payload(replaced(memberB, R"("useCount":0)", R"("useCount":1234567890123456789)")), false},
        {payload(replaced(memberB, R"("id":"B")", R"("id":"B","id":"C")")), false},
    };
    for (const auto& [json, scanned] : cases) {
        EXPECT_EQ(MemoryPayloadScanner::read(json).has_value(), scanned) << json.toStdString();
        EXPECT_EQ(MemoryPayload::fromJson(json), parsed(json)) << json.toStdString();
    }
}

// What is no payload at all is refused by both readers: a number with a leading zero is no JSON number, and a
// memory without "sensitive" is no memory. "-0" is JSON the scanner leaves to the parser.
TEST(MemoryPayloadScanner, RefusesLeadingZerosAndAMissingSensitiveFlag) {
    for (const QByteArray& json : {payload(replaced(memberB, R"("useCount":0)", R"("useCount":07)")),
                                   payload(replaced(memberB, R"("useCount":0)", R"("useCount":-01)")),
                                   payload(replaced(memberB, R"(,"sensitive":false)", ""))}) {
        EXPECT_FALSE(MemoryPayloadScanner::read(json)) << json.toStdString();
        EXPECT_FALSE(MemoryPayload::fromJson(json)) << json.toStdString();
    }
    const QByteArray negativeZero = payload(replaced(memberB, R"("useCount":0)", R"("useCount":-0)"));
    EXPECT_FALSE(MemoryPayloadScanner::read(negativeZero));
    EXPECT_EQ(MemoryPayload::fromJson(negativeZero), parsed(negativeZero));
}

// A text that begins with U+FEFF keeps it, written raw or escaped, through the scanner and the parser.
TEST(MemoryPayloadScanner, KeepsALeadingByteOrderMarkInEveryText) {
    for (const QByteArray& mark : {QByteArray("\xEF\xBB\xBF"), QByteArray(R"(\ufeff)")}) {
        const QByteArray json =
            payload(replaced(memberB, R"("value":"v")", R"("value":")" + mark + R"(pass")"));
        const auto read = MemoryPayload::fromJson(json);
        ASSERT_TRUE(read) << json.toStdString();
        EXPECT_EQ(read->items[0].value, QString(QChar(0xFEFF)) + "pass");
        JsonWriter w = MemoryPayload::encoder();
        read->encode(w);
        EXPECT_EQ(MemoryPayload::fromJson(w.data()), read);
    }
}
