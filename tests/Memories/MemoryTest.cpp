#include "Memories/Memory.h"
#include "Account/Vault.h"
#include "Support/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

QDateTime at(const char* iso) {
    return *IsoDate::parse(QString::fromLatin1(iso));
}

Memory full() {
    return Memory{.id = QStringLiteral("0F0E0D0C-0B0A-4908-8706-050403020100"),
                  .title = QStringLiteral("家庭地址"),
                  .type = QStringLiteral("地址"),
                  .aliases = {QStringLiteral("我家"), QStringLiteral("家里")},
                  .value = QStringLiteral("上海市\n收件人：\"某人\" \\ /"),
                  .source = QStringLiteral("手动添加"),
                  .savedAt = at("2025-03-01T08:00:00Z"),
                  .updatedAt = at("2025-03-02T08:00:00Z"),
                  .lastUsedAt = at("2025-03-03T08:00:00Z"),
                  .useCount = 7,
                  .pinned = true,
                  .pinOrder = -2,
                  .sensitive = true,
                  .expiresAt = at("2026-01-01T00:00:00Z")};
}

QByteArray encoded(const Memory& m, bool sorted = false) {
    JsonWriter w(sorted, false);
    m.encode(w);
    return w.data();
}

QJsonObject objectOf(const Memory& m) {
    return QJsonDocument::fromJson(encoded(m)).object();
}

std::optional<Memory> decoded(const QJsonObject& o) {
    return Memory::decode(QJsonValue(o));
}

} // namespace

TEST(Memory, WritesMembersInRecordOrderAndLeavesOutAbsentOnes) {
    Memory m = full();
    m.aliases.clear();
    m.updatedAt.reset();
    m.lastUsedAt.reset();
    m.pinOrder.reset();
    m.expiresAt.reset();
    EXPECT_EQ(encoded(m), QByteArray(R"({"id":"0F0E0D0C-0B0A-4908-8706-050403020100","title":"家庭地址",)"
                                     R"("type":"地址","aliases":[],"value":"上海市\n收件人：\"某人\" \\ /",)"
                                     R"("source":"手动添加","savedAt":"2025-03-01T08:00:00Z","useCount":7,)"
                                     R"("pinned":true,"sensitive":true})"));
    EXPECT_EQ(decoded(objectOf(m)), m);
    EXPECT_EQ(decoded(objectOf(full())), full());
}

TEST(Memory, RejectsEachRequiredKeyMissingNullOrOfAnotherType) {
    const QJsonObject good = objectOf(full());
    ASSERT_TRUE(decoded(good));
    const std::vector<std::pair<const char*, QJsonValue>> wrongType = {
        {"id", 1},          {"title", true},           {"type", QJsonArray()},  {"aliases", "我家"},
        {"value", 3},       {"source", QJsonObject()}, {"savedAt", 1740816000}, {"useCount", "7"},
        {"pinned", "true"}, {"sensitive", 1},
    };
    for (const auto& [key, wrong] : wrongType) {
        QJsonObject o = good;
        o.remove(QLatin1String(key));
        EXPECT_FALSE(decoded(o)) << key << " missing";
        o.insert(QLatin1String(key), QJsonValue::Null);
        EXPECT_FALSE(decoded(o)) << key << " null";
        o.insert(QLatin1String(key), wrong);
        EXPECT_FALSE(decoded(o)) << key << " of another type";
    }
}

TEST(Memory, OptionalKeysMayBeMissingOrNullButNotOfAnotherType) {
    const QJsonObject good = objectOf(full());
    for (const char* key : {"updatedAt", "lastUsedAt", "pinOrder", "expiresAt"}) {
        QJsonObject o = good;
        o.insert(QLatin1String(key), QJsonValue::Null);
        const auto m = decoded(o);
        ASSERT_TRUE(m) << key;
        o.remove(QLatin1String(key));
        EXPECT_EQ(decoded(o), m) << key;
        o.insert(QLatin1String(key), QStringLiteral("soon"));
        EXPECT_FALSE(decoded(o)) << key;
        o.insert(QLatin1String(key), QJsonObject());
        EXPECT_FALSE(decoded(o)) << key;
    }
    QJsonObject o = good;
    o.insert(QStringLiteral("pinOrder"), QJsonValue::Null);
    EXPECT_FALSE(decoded(o)->pinOrder.has_value());
}

TEST(Memory, DatesNeedWholeSecondsAndAZoneAndNumbersMustBeIntegral) {
    const QJsonObject good = objectOf(full());
    for (const char* key : {"savedAt", "updatedAt", "expiresAt"})
        for (const char* bad : {"2025-03-01T08:00:00.5Z", "2025-03-01T08:00:00", "2025-03-01", "yesterday"}) {
            QJsonObject o = good;
            o.insert(QLatin1String(key), QLatin1String(bad));
            EXPECT_FALSE(decoded(o)) << key << " = " << bad;
        }
    QJsonObject o = good;
    o.insert(QStringLiteral("savedAt"), QStringLiteral("2025-03-01T16:00:00+08:00"));
    EXPECT_EQ(decoded(o)->savedAt, at("2025-03-01T08:00:00Z"));

    for (const char* key : {"useCount", "pinOrder"}) {
        QJsonObject f = good;
        f.insert(QLatin1String(key), 1.5);
        EXPECT_FALSE(decoded(f)) << key;
        f.insert(QLatin1String(key), 1e30);
        EXPECT_FALSE(decoded(f)) << key;
    }
    const auto big = Memory::decode(
        QJsonDocument::fromJson(
            QByteArray(encoded(full())).replace("\"useCount\":7", "\"useCount\":9007199254740993"))
            .object());
    ASSERT_TRUE(big);
    EXPECT_EQ(big->useCount, 9007199254740993);
}

TEST(Memory, IgnoresUnknownKeysAndRejectsNonStringAliases) {
    QJsonObject o = objectOf(full());
    o.insert(QStringLiteral("colour"), QStringLiteral("blue"));
    o.insert(QStringLiteral("tags"), QJsonArray{1, 2});
    EXPECT_EQ(decoded(o), full());
    o.insert(QStringLiteral("aliases"), QJsonArray{QStringLiteral("我家"), 2});
    EXPECT_FALSE(decoded(o));
    EXPECT_FALSE(Memory::decode(QJsonValue(QJsonArray())));
}

TEST(Memory, EqualityComparesEveryFieldAndAliasOrder) {
    Memory a = full();
    Memory b = a;
    EXPECT_EQ(a, b);
    b.lastUsedAt = a.lastUsedAt->addSecs(1);
    EXPECT_NE(a, b);
    b = a;
    std::swap(b.aliases[0], b.aliases[1]);
    EXPECT_NE(a, b);
    b = a;
    b.expiresAt.reset();
    EXPECT_NE(a, b);
}

TEST(Memory, AFractionOfASecondDoesNotSurviveTheFile) {
    Memory m = full();
    m.savedAt = QDateTime(QDate(2025, 3, 1), QTime(12, 0, 0, 750), Qt::UTC);
    const auto back = decoded(objectOf(m));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->savedAt, QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC));
    EXPECT_NE(*back, m);
    // Records made in code start at a whole second, so they do survive.
    const Memory fresh{.title = QStringLiteral("新")};
    EXPECT_EQ(decoded(objectOf(fresh)), fresh);
    EXPECT_EQ(fresh.id.size(), 36);
    EXPECT_EQ(fresh.id, fresh.id.toUpper());
    EXPECT_NE(fresh.id, Memory{}.id);
}

TEST(Memory, FirstLineIsTheFirstNonEmptyLine) {
    auto first = [](const char* value) { return Memory{.value = QString::fromUtf8(value)}.firstLine(); };
    EXPECT_EQ(first("\n\n第一行\n第二行"), "第一行");
    EXPECT_EQ(first(""), "");
    EXPECT_EQ(first("\n"), "\n");
    EXPECT_EQ(first("一行"), "一行");
    EXPECT_EQ(first("a\r\nb\r\n"), "a\r");
    EXPECT_EQ(first("a\rb"), "a\rb");
}

TEST(VaultPayload, WritesCompactSortedJsonAndReadsItBack) {
    Memory m = full();
    m.aliases = {QStringLiteral("x")};
    m.updatedAt.reset();
    m.lastUsedAt.reset();
    m.pinOrder.reset();
    m.expiresAt.reset();
    m.value = QStringLiteral("v");
    Vault::Payload p{.v = 1,
                     .items = {m},
                     .deleted = {{QStringLiteral("B"), at("2025-03-02T00:00:00Z")},
                                 {QStringLiteral("A"), at("2025-03-01T00:00:00Z")}}};
    JsonWriter w = Vault::encoder();
    p.encode(w);
    EXPECT_EQ(w.data(), QByteArray(R"({"deleted":{"A":"2025-03-01T00:00:00Z","B":"2025-03-02T00:00:00Z"},)"
                                   R"("items":[{"aliases":["x"],"id":"0F0E0D0C-0B0A-4908-8706-050403020100",)"
                                   R"("pinned":true,"savedAt":"2025-03-01T08:00:00Z","sensitive":true,)"
                                   R"("source":"手动添加","title":"家庭地址","type":"地址","useCount":7,)"
                                   R"("value":"v"}],"v":1})"));

    const QJsonObject o = QJsonDocument::fromJson(w.data()).object();
    EXPECT_EQ(Vault::Payload::decode(o), p);
    for (const char* key : {"v", "items", "deleted"}) {
        QJsonObject missing = o;
        missing.remove(QLatin1String(key));
        EXPECT_FALSE(Vault::Payload::decode(missing)) << key;
    }
    QJsonObject extra = o;
    extra.insert(QStringLiteral("note"), 1);
    EXPECT_TRUE(Vault::Payload::decode(extra));
    QJsonObject badDate = o;
    badDate.insert(QStringLiteral("deleted"),
                   QJsonObject{{QStringLiteral("A"), QStringLiteral("2025-03-01")}});
    EXPECT_FALSE(Vault::Payload::decode(badDate));
}

TEST(JsonWriter, EscapesWhatJsonNeedsAndIndentsNestedValues) {
    const QString odd = QStringLiteral("q\" b\\ \x01\t\n\r\b\f / 表情😀");
    JsonWriter w(false, true);
    w.beginObject();
    w.key(QStringLiteral("z"));
    w.string(odd);
    w.key(QStringLiteral("a"));
    w.beginArray();
    w.integer(-5);
    w.beginObject();
    w.endObject();
    w.beginArray();
    w.endArray();
    w.null();
    w.endArray();
    w.endObject();
    const QByteArray text = w.data();
    EXPECT_TRUE(text.startsWith(
        "{\n  \"z\" : \"q\\\" b\\\\ \\u0001\\t\\n\\r\\b\\f / 表情😀\",\n  \"a\" : [\n    -5,\n"))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("    {},\n    [],\n    null\n  ]\n}")) << text.toStdString();
    const QJsonObject back = QJsonDocument::fromJson(text).object();
    EXPECT_EQ(back.value(QStringLiteral("z")).toString(), odd);
    EXPECT_EQ(back.keys(), (QStringList{QStringLiteral("a"), QStringLiteral("z")}));
}
