#include "Memories/MemoryPayload.h"

#include "Memories/MemoryPayloadScanner.h"
#include "Support/JsonRead.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mivora {

JsonWriter MemoryPayload::encoder() {
    return JsonWriter(/*sortedKeys=*/true, /*prettyPrinted=*/false);
}

void MemoryPayload::encode(JsonWriter& w) const {
    auto version = [&] {
        w.key(QStringLiteral("v"));
        w.integer(v);
    };
    auto tombstones = [&] {
        w.key(QStringLiteral("deleted"));
        w.dates(deleted);
    };
    w.beginObject();
    // A sorting writer gets the members in key order, so it never has to move the long list of items.
    w.sortedKeys() ? tombstones() : version();
    w.key(QStringLiteral("items"));
    w.beginArray();
    for (const Memory& m : items)
        m.encode(w);
    w.endArray();
    w.sortedKeys() ? version() : tombstones();
    w.endObject();
}

std::optional<MemoryPayload> MemoryPayload::decode(const QJsonValue& json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject o = json.toObject();
    if (!o.contains(QLatin1StringView("v")) || !o.contains(QLatin1StringView("items")) ||
        !o.contains(QLatin1StringView("deleted")))
        return std::nullopt;

    MemoryPayload p;
    const auto v = JsonRead::integer(o.value(QLatin1StringView("v")));
    if (!v) return std::nullopt;
    p.v = *v;

    const QJsonValue items = o.value(QLatin1StringView("items"));
    if (!items.isArray()) return std::nullopt;
    const QJsonArray list = items.toArray();
    p.items.reserve(list.size());
    for (const QJsonValue& item : list) {
        auto m = Memory::decode(item);
        if (!m) return std::nullopt;
        p.items.append(std::move(*m));
    }

    auto deleted = JsonRead::dates(o.value(QLatin1StringView("deleted")));
    if (!deleted) return std::nullopt;
    p.deleted = std::move(*deleted);
    return p;
}

std::optional<MemoryPayload> MemoryPayload::fromJson(QByteArrayView json) {
    if (auto quick = MemoryPayloadScanner::read(json)) return quick;
    QJsonParseError error;
    const QJsonDocument doc = JsonRead::document(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    return decode(doc.object());
}

} // namespace mivora
