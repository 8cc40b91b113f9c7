#include "Memories/Memory.h"

#include "Support/JsonRead.h"
#include "Support/JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>
#include <array>

namespace mivora {

QString Memory::newId() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString Memory::firstLine() const {
    // Lines end at a line feed that is a character of its own: a carriage return and line feed form one
    // character, which ends nothing, so a text with such line ends is one line.
    qsizetype start = 0;
    for (qsizetype i = 0; i <= value.size(); ++i) {
        const bool end = i == value.size() || (value[i] == u'\n' && (i == 0 || value[i - 1] != u'\r'));
        if (!end) continue;
        if (i > start) return value.mid(start, i - start);
        start = i + 1;
    }
    return value;
}

namespace {

// One member of the record as the writer takes it; `write` leaves an absent optional member out.
struct Field {
    QString key;
    void (*write)(const Memory&, JsonWriter&, const QString& key);
};

// A member handed to the writer's `put`.
template <auto member, auto put> Field field(const QString& key) {
    return {key, [](const Memory& m, JsonWriter& w, const QString& k) {
                const auto& v = m.*member;
                if constexpr (requires { v.has_value(); }) {
                    if (!v) return;
                    w.key(k);
                    (w.*put)(*v);
                } else {
                    w.key(k);
                    (w.*put)(v);
                }
            }};
}

// Declaration order.
const Field fields[] = {
    field<&Memory::id, &JsonWriter::string>(QStringLiteral("id")),
    field<&Memory::title, &JsonWriter::string>(QStringLiteral("title")),
    field<&Memory::type, &JsonWriter::string>(QStringLiteral("type")),
    {QStringLiteral("aliases"),
     [](const Memory& m, JsonWriter& w, const QString& k) {
         w.key(k);
         w.beginArray();
         for (const QString& alias : m.aliases)
             w.string(alias);
         w.endArray();
     }},
    field<&Memory::value, &JsonWriter::string>(QStringLiteral("value")),
    field<&Memory::source, &JsonWriter::string>(QStringLiteral("source")),
    field<&Memory::savedAt, &JsonWriter::date>(QStringLiteral("savedAt")),
    field<&Memory::updatedAt, &JsonWriter::date>(QStringLiteral("updatedAt")),
    field<&Memory::lastUsedAt, &JsonWriter::date>(QStringLiteral("lastUsedAt")),
    field<&Memory::useCount, &JsonWriter::integer>(QStringLiteral("useCount")),
    field<&Memory::pinned, &JsonWriter::boolean>(QStringLiteral("pinned")),
    field<&Memory::pinOrder, &JsonWriter::integer>(QStringLiteral("pinOrder")),
    field<&Memory::sensitive, &JsonWriter::boolean>(QStringLiteral("sensitive")),
    field<&Memory::expiresAt, &JsonWriter::date>(QStringLiteral("expiresAt")),
};

// A sorting writer gets the members already in key order, which spares it putting every record in order
// after the fact.
const std::array<const Field*, std::size(fields)> sortedFields = [] {
    std::array<const Field*, std::size(fields)> order;
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = &fields[i];
    std::sort(order.begin(), order.end(), [](const Field* a, const Field* b) { return a->key < b->key; });
    return order;
}();

} // namespace

void Memory::encode(JsonWriter& w) const {
    w.beginObject();
    if (w.sortedKeys())
        for (const Field* f : sortedFields)
            f->write(*this, w, f->key);
    else
        for (const Field& f : fields)
            f.write(*this, w, f.key);
    w.endObject();
}

namespace {

// A required member: present and not null (the caller checks its type).
bool required(const QJsonObject& o, QLatin1StringView key, QJsonValue& out) {
    const auto it = o.constFind(key);
    if (it == o.constEnd()) return false;
    out = it.value();
    return !out.isNull() && !out.isUndefined();
}

bool text(const QJsonObject& o, QLatin1StringView key, QString& out) {
    QJsonValue v;
    if (!required(o, key, v) || !v.isString()) return false;
    out = v.toString();
    return true;
}

bool flag(const QJsonObject& o, QLatin1StringView key, bool& out) {
    QJsonValue v;
    if (!required(o, key, v) || !v.isBool()) return false;
    out = v.toBool();
    return true;
}

// An optional member: missing or null leaves `out` absent; a value of another kind fails.
template <typename T, typename Read>
bool optional(const QJsonObject& o, QLatin1StringView key, std::optional<T>& out, Read read) {
    const auto it = o.constFind(key);
    out.reset();
    if (it == o.constEnd() || it.value().isNull()) return true;
    out = read(it.value());
    return out.has_value();
}

} // namespace

std::optional<Memory> Memory::decode(const QJsonValue& json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject o = json.toObject();
    // Both are read below; naming them skips the new id and the clock read of their defaults.
    Memory m{.id = QString(), .savedAt = QDateTime()};
    QJsonValue v;

    if (!text(o, QLatin1StringView("id"), m.id) || !text(o, QLatin1StringView("title"), m.title) ||
        !text(o, QLatin1StringView("type"), m.type))
        return std::nullopt;

    if (!required(o, QLatin1StringView("aliases"), v) || !v.isArray()) return std::nullopt;
    const QJsonArray aliases = v.toArray();
    m.aliases.reserve(aliases.size());
    for (const QJsonValue& a : aliases) {
        if (!a.isString()) return std::nullopt;
        m.aliases.append(a.toString());
    }

    if (!text(o, QLatin1StringView("value"), m.value) || !text(o, QLatin1StringView("source"), m.source))
        return std::nullopt;

    if (!required(o, QLatin1StringView("savedAt"), v)) return std::nullopt;
    const auto saved = JsonRead::date(v);
    if (!saved) return std::nullopt;
    m.savedAt = *saved;

    if (!optional(o, QLatin1StringView("updatedAt"), m.updatedAt, JsonRead::date) ||
        !optional(o, QLatin1StringView("lastUsedAt"), m.lastUsedAt, JsonRead::date))
        return std::nullopt;

    if (!required(o, QLatin1StringView("useCount"), v)) return std::nullopt;
    const auto count = JsonRead::integer(v);
    if (!count) return std::nullopt;
    m.useCount = *count;

    if (!flag(o, QLatin1StringView("pinned"), m.pinned) ||
        !optional(o, QLatin1StringView("pinOrder"), m.pinOrder, JsonRead::integer) ||
        !flag(o, QLatin1StringView("sensitive"), m.sensitive) ||
        !optional(o, QLatin1StringView("expiresAt"), m.expiresAt, JsonRead::date))
        return std::nullopt;
    return m;
}

} // namespace mivora
