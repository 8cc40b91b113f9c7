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

// What this system writes, and the same with white space, nulls and another member order, is read without
// the parser and exactly as the parser reads it.
TEST(MemoryPayloadScanner, ReadsThePlainFormAsTheParserDoes) {
    const auto one = parsed(payload(memberA + "," + memberB));
    ASSERT_TRUE(one);
    JsonWriter w = MemoryPayload::encoder();
    one->encode(w);
    const QList<QByteArray> texts = {
        w.data(),
        payload(memberA + "," + memberB),
        " \n{ \"deleted\" : { } ,\r\n\t\"items\" : [ " + replaced(memberB, ",", " , ") + " ] , \"v\" : 2 }\n",
        payload(replaced(replaced(memberA, R"("pinOrder":-2)", R"("pinOrder":null)"),
                         R"("updatedAt":"2025-03-02T16:00:00+08:00")", R"("updatedAt":null)")),
        payload(replaced(memberB, R"("useCount":0)", R"("useCount":-900719925474099312)")),
    };
    for (const QByteArray& json : texts) {
        const auto quick = MemoryPayloadScanner::read(json);
        ASSERT_TRUE(quick) << json.toStdString();
        EXPECT_EQ(quick, parsed(json)) << json.toStdString();
    }
}

// Whatever the scanner does not take, the parser decides: the answer is the parser's, accepted or refused.
TEST(MemoryPayloadScanner, LeavesEverythingElseToTheParser) {
    const QList<QByteArray> texts = {
        payload(replaced(memberB, R"("t")", R"("\u0074\ud83d")")),          // \u escapes
        payload(replaced(memberB, R"("useCount":0)", R"("useCount":5.0)")), // a fraction the parser accepts
        payload(replaced(memberB, R"("useCount":0)", R"("useCount":1e2)")), // an exponent
        payload(replaced(memberB, R"("useCount":0)", R"("useCount":-0)")),
        payload(replaced(memberB, R"("useCount":0)", R"("useCount":1234567890123456789)")),
        payload(replaced(memberB, R"("useCount":0)", R"("useCount":01)")),    // no JSON
        payload(replaced(memberB, R"("id":"B")", R"("id":"B","id":"C")")),    // a repeated member
        payload(replaced(memberB, R"("id":"B")", R"("id":"B","extra":[1])")), // an unknown member
        payload(memberB, R"("deleted":{},"v":2)"),                            // the version twice
        payload(memberB, R"("deleted":{"Z":"2025-03-04T00:00:00Z","Z":"2025-03-05T00:00:00Z"})"),
        payload(replaced(memberB, R"("savedAt":"2025-03-01T08:00:00Z")", R"("savedAt":null)")),
        payload(replaced(memberB, R"("pinned":false)", R"("pinned":0)")),
        payload(replaced(memberB, R"("v")", "\"v\x01\"")),        // a raw control character
        payload(replaced(memberB, R"("v")", "\"\xC0\x80\"")),     // an overlong form
        payload(replaced(memberB, R"("v")", "\"\xED\xA0\x80\"")), // an encoded surrogate
        payload(replaced(memberB, R"("v")", "\"\xEF\xBF\xBF\"")), // a noncharacter
        payload(replaced(memberB, R"("v")", "\"\xE4\xB8\"")),     // a cut sequence
        payload(
            replaced(memberB, R"("savedAt":"2025-03-01T08:00:00Z")", R"("savedAt":"2025-02-30T08:00:00Z")")),
        payload(memberB + ","),
        payload(memberB) + " x",
        "\xEF\xBB\xBF" + payload(memberB),
        payload(memberB).chopped(1),
    };
    for (const QByteArray& json : texts) {
        EXPECT_FALSE(MemoryPayloadScanner::read(json)) << json.toStdString();
        EXPECT_EQ(MemoryPayload::fromJson(json), parsed(json)) << json.toStdString();
    }
}
