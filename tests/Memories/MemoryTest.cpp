#include "Memories/Memory.h"
#include "Memories/MemoryPayload.h"
#include "Support/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

// Every member, in record order, with text that needs escaping.
const QByteArray fullJson =
    R"({"id":"0F0E0D0C-0B0A-4908-8706-050403020100","title":"家庭地址","type":"地址","aliases":["我家","家里"],)"
    R"("value":"上海市\n收件人：\"某人\" \\ / \u0001\t\r\b\f 😀","source":"手动添加",)"
    R"("savedAt":"2025-03-01T08:00:00Z","updatedAt":"2025-03-02T08:00:00Z","lastUsedAt":"2025-03-03T08:00:00Z",)"
    R"("useCount":7,"pinned":true,"pinOrder":-2,"sensitive":true,"expiresAt":"2026-01-01T00:00:00Z"})";
// Only the required members: absent optional ones are left out.
const QByteArray bareJson =
    R"({"id":"A","title":"t","type":"信息","aliases":["x"],"value":"v","source":"s",)"
    R"("savedAt":"2025-03-01T08:00:00Z","useCount":0,"pinned":false,"sensitive":false})";

// Halves of an emoji without their partners, as a hand edit or a sync payload can leave them.
const QByteArray loneSurrogatesJson = QByteArray(bareJson).replace(R"("t")", R"("\ud83d断\ude00")");

QJsonObject parsed(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

QByteArray encoded(const Memory& m, bool pretty = false) {
    JsonWriter w(false, pretty);
    m.encode(w);
    return w.data();
}

} // namespace

TEST(Memory, WritesWhatItReadsByteForByte) {
    for (const QByteArray& json : {fullJson, bareJson, loneSurrogatesJson}) {
        const auto m = Memory::decode(parsed(json));
        ASSERT_TRUE(m);
        EXPECT_EQ(encoded(*m), json);
    }
    EXPECT_EQ(Memory::decode(parsed(loneSurrogatesJson))->title,
              QChar(0xD83D) + QStringLiteral("断") + QChar(0xDE00));
    EXPECT_TRUE(encoded(*Memory::decode(parsed(fullJson)), true)
                    .contains("\n  \"aliases\" : [\n    \"我家\",\n    \"家里\"\n  ],\n  \"value\" : "));
    // A record made in code starts at a whole second, so it equals its own saved copy.
    const Memory fresh{.title = QStringLiteral("新")};
    EXPECT_EQ(Memory::decode(parsed(encoded(fresh))), fresh);
    EXPECT_EQ(Memory{.value = QStringLiteral("\n\n第一行\n第二行")}.firstLine(), "第一行");
    EXPECT_EQ(Memory{.value = QStringLiteral("\n")}.firstLine(), "\n");
    EXPECT_EQ(Memory{.value = QStringLiteral("甲\r\n乙\r\n")}.firstLine(), "甲\r\n乙\r\n");
    EXPECT_EQ(Memory{.value = QStringLiteral("\r\n\n甲\r")}.firstLine(), "\r\n");
}

TEST(Memory, DecodeAcceptsOnlyWellFormedRecords) {
    // (key, value); an undefined value removes the key.
    using Cases = std::vector<std::pair<const char*, QJsonValue>>;
    const QJsonValue gone(QJsonValue::Undefined), null(QJsonValue::Null);
    // clang-format off
    const Cases accepted = {{"updatedAt", null}, {"lastUsedAt", gone}, {"pinOrder", null}, {"expiresAt", gone},
                            {"savedAt", "2025-03-01T16:00:00+08:00"}, {"savedAt", "2025-03-02T00:00:00+16:00"},
                            {"savedAt", "2025-02-28T08:01:00-23:59"}, {"colour", "blue"}};
    Cases rejected = {{"updatedAt", "soon"}, {"pinOrder", QJsonObject()}, {"savedAt", "2025-03-01T08:00:00.5Z"},
                      {"updatedAt", "2025-03-01T08:00:00"}, {"expiresAt", "2025-03-01"}, {"useCount", 1.5},
                      {"pinOrder", 1.5}, {"useCount", 1e30}, {"aliases", QJsonArray{"我家", 2}},
                      {"savedAt", "2025-02-30T00:00:00Z"}, {"savedAt", "2025-03-07 09:15:02Z"},
                      {"savedAt", "2025-03-07T25:00:00Z"}, {"savedAt", "2025-03-07T09:15:02+0800"},
                      {"savedAt", "２０２５-03-07T09:15:02Z"}, {"savedAt", "2025-03-07T09:15:02Zjunk"},
                      {"savedAt", "2025-03-01T08:00:00+24:00"},
                      // Instants outside the years 1 to 9999, which could not be written back.
                      {"savedAt", "0001-01-01T00:30:00+01:00"}, {"expiresAt", "9999-12-31T23:30:00-01:00"}};
    // Required keys with a value of another type; each is also tried missing and null.
    const Cases required = {{"id", 1}, {"title", true}, {"type", QJsonArray()}, {"aliases", "我家"},
                            {"value", 3}, {"source", QJsonObject()}, {"savedAt", 1740816000},
                            {"useCount", "7"}, {"pinned", "true"}, {"sensitive", 1}};
    // clang-format on
    for (const auto& [key, wrongType] : required)
        for (const QJsonValue& v : {gone, null, wrongType})
            rejected.emplace_back(key, v);

    const QJsonObject good = parsed(fullJson);
    auto with = [&](const char* key, const QJsonValue& value) {
        QJsonObject o = good;
        o.insert(QLatin1String(key), value); // an undefined value removes the key
        return o;
    };
    for (const auto& [key, value] : rejected)
        EXPECT_FALSE(Memory::decode(with(key, value)))
            << key << " = " << value.toVariant().toString().toStdString();
    for (const auto& [key, value] : accepted) {
        const auto m = Memory::decode(with(key, value));
        ASSERT_TRUE(m) << key;
        // Null reads as absent, a zone offset as the same moment, an unknown key as nothing.
        EXPECT_EQ(parsed(encoded(*m)), value.isNull() || value.isUndefined() ? with(key, gone) : good) << key;
    }
    EXPECT_FALSE(Memory::decode(QJsonArray()));
    const QByteArray big = QByteArray(fullJson).replace("\"useCount\":7", "\"useCount\":9007199254740993");
    EXPECT_EQ(Memory::decode(parsed(big))->useCount, 9007199254740993);
}

TEST(MemoryPayload, WritesCompactSortedJsonAndNeedsAllThreeMembers) {
    const QByteArray json =
        R"({"deleted":{"A":"2025-03-01T00:00:00Z","B":"2025-03-02T00:00:00Z"},)"
        R"("items":[{"aliases":["x"],"id":"A","pinned":false,"savedAt":"2025-03-01T08:00:00Z",)"
        R"("sensitive":false,"source":"s","title":"t","type":"信息","useCount":0,"value":"v"}],"v":1})";
    const auto p = MemoryPayload::decode(parsed(json));
    ASSERT_TRUE(p);
    JsonWriter w = MemoryPayload::encoder();
    p->encode(w);
    EXPECT_EQ(w.data(), json);
    const QJsonValue gone(QJsonValue::Undefined);
    for (const auto& [key, value] : {std::pair{"v", gone},
                                     {"items", gone},
                                     {"deleted", gone},
                                     {"deleted", QJsonObject{{"A", "2025-03-01"}}}}) {
        QJsonObject o = parsed(json);
        o.insert(QLatin1String(key), value);
        EXPECT_FALSE(MemoryPayload::decode(o)) << key;
    }
}
