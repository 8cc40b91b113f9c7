#include "Memories/Memory.h"

#include "Support/JsonRead.h"
#include "Support/JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUuid>

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

void Memory::encode(JsonWriter& w) const {
    w.beginObject();
    w.key(QStringLiteral("id"));
    w.string(id);
    w.key(QStringLiteral("title"));
    w.string(title);
    w.key(QStringLiteral("type"));
    w.string(type);
    w.key(QStringLiteral("aliases"));
    w.beginArray();
    for (const QString& alias : aliases)
        w.string(alias);
    w.endArray();
    w.key(QStringLiteral("value"));
    w.string(value);
    w.key(QStringLiteral("source"));
    w.string(source);
    w.key(QStringLiteral("savedAt"));
    w.date(savedAt);
    if (updatedAt) {
        w.key(QStringLiteral("updatedAt"));
        w.date(*updatedAt);
    }
    if (lastUsedAt) {
        w.key(QStringLiteral("lastUsedAt"));
        w.date(*lastUsedAt);
    }
    w.key(QStringLiteral("useCount"));
    w.integer(useCount);
    w.key(QStringLiteral("pinned"));
    w.boolean(pinned);
    if (pinOrder) {
        w.key(QStringLiteral("pinOrder"));
        w.integer(*pinOrder);
    }
    w.key(QStringLiteral("sensitive"));
    w.boolean(sensitive);
    if (expiresAt) {
        w.key(QStringLiteral("expiresAt"));
        w.date(*expiresAt);
    }
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
