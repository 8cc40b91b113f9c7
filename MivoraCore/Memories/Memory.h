#pragma once

#include "Support/IsoDate.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

namespace mivora {

class JsonWriter;

// One saved snippet ("记忆"): a named text the user inserts by saying or typing its name. A plain value;
// only the memory store keeps the authoritative list.
//
// Built with designated initialisers; fields left out take the defaults below (a new id, saved now).
struct Memory {
    QString id = newId();
    QString title;
    // Category word ("地址", "发票", "电话", ...); any other text simply matches no type word in recall.
    QString type;
    QStringList aliases;
    QString value;
    // Where the memory came from, for display only ("手动添加" for one added by hand).
    QString source;
    // Whole seconds: files and sync keep no fraction, so a new memory equals its own saved copy.
    QDateTime savedAt = IsoDate::wholeSeconds(QDateTime::currentDateTimeUtc());
    std::optional<QDateTime> updatedAt;
    std::optional<QDateTime> lastUsedAt;
    qint64 useCount = 0;
    bool pinned = false;
    std::optional<qint64> pinOrder;
    bool sensitive = false;
    // After this instant the memory is no longer alive for recall, hints and suggestions.
    std::optional<QDateTime> expiresAt;

    // All fourteen fields: texts exactly, aliases in order, timestamps exactly, absent equal only to absent.
    bool operator==(const Memory&) const = default;

    // The first non-empty line of `value` (split at line feeds only, a CR LF pair being one character that
    // splits nothing), or `value` itself when it has none.
    QString firstLine() const;

    // Hands the members to `writer` in declaration order (in key order to a sorting writer); absent optional
    // fields are left out.
    void encode(JsonWriter& writer) const;
    // Reads one memory object. Every required key must be present with a value of its JSON type; optional
    // keys may be missing or null; dates are whole seconds with a zone; numbers are integral; unknown keys
    // are ignored. Anything else is no memory.
    static std::optional<Memory> decode(const QJsonValue& json);

    // A new random UUID in canonical upper-case form.
    static QString newId();
};

} // namespace mivora
