#include "Memories/Memory.h"
#include "Memories/MemoryPayload.h"
#include "Support/JsonWriter.h"

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

QByteArray encoded(const Memory& m) {
    JsonWriter w(false, false);
    m.encode(w);
    return w.data();
}

} // namespace

// Other round trips are the fuzz target's; lone surrogates must survive as they are.
TEST(Memory, WritesWhatItReadsByteForByteAlsoWithLoneSurrogates) {
    const auto m = Memory::decode(parsed(loneSurrogatesJson));
    ASSERT_TRUE(m);
    EXPECT_EQ(encoded(*m), loneSurrogatesJson);
    EXPECT_EQ(m->title, QChar(0xD83D) + QStringLiteral("断") + QChar(0xDE00));
    // A record made in code starts at a whole second, so it equals its own saved copy.
    const Memory fresh{.title = QStringLiteral("新")};
    EXPECT_EQ(Memory::decode(parsed(encoded(fresh))), fresh);
}

// Null optional members read as absent. Zone offsets past ±14:00 are still the
// same moment, but instants outside the years 1 to 9999 could not be written back and are refused.
TEST(Memory, DecodeNeedsAWritableDate) {
    const QJsonObject good = parsed(fullJson);
    auto with = [&](const char* key, const QJsonValue& value) {
        QJsonObject o = good;
        o.insert(QLatin1String(key), value); // an undefined value removes the key
        return o;
    };
    EXPECT_EQ(parsed(encoded(*Memory::decode(with("updatedAt", QJsonValue::Null)))),
              with("updatedAt", QJsonValue(QJsonValue::Undefined)));
    for (const char* date : {"2025-03-02T00:00:00+16:00", "2025-02-28T08:01:00-23:59"})
        EXPECT_EQ(parsed(encoded(*Memory::decode(with("savedAt", date)))), good) << date;
    EXPECT_FALSE(Memory::decode(with("savedAt", "0001-01-01T00:30:00+01:00")));
    EXPECT_FALSE(Memory::decode(with("expiresAt", "9999-12-31T23:30:00-01:00")));
}

// The sorted compact form is the one a JSON library writes for the same document: every record's members in
// key order and texts escaped only where JSON needs it.
TEST(MemoryPayload, WritesWhatAJsonLibraryWrites) {
    const QByteArray json = R"({"v":1,"items":[)" + fullJson + "," + bareJson +
                            R"(],"deleted":{"B":"2025-03-02T00:00:00Z","Aé":"1969-12-31T23:59:59Z"}})";
    const auto p = MemoryPayload::decode(parsed(json));
    ASSERT_TRUE(p);
    JsonWriter w = MemoryPayload::encoder();
    p->encode(w);
    EXPECT_EQ(w.data(), QJsonDocument(parsed(w.data())).toJson(QJsonDocument::Compact));
}
