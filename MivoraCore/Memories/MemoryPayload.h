#pragma once

#include "Memories/Memory.h"
#include "Support/JsonWriter.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace mivora {

// Every memory and the tombstones of deleted ones, as one value: what the sync layer seals and what the
// store takes back from it.
struct MemoryPayload {
    // Format version; every payload this system writes has 1.
    qint64 v = 1;
    // All memories, in the order the writer keeps them.
    QList<Memory> items;
    // Memory id to the moment it was deleted.
    QMap<QString, QDateTime> deleted;

    bool operator==(const MemoryPayload&) const = default;

    // One object with "v", "items" and "deleted" (sorted on output by `encoder()`).
    void encode(JsonWriter& writer) const;
    // All three members are required; other members are ignored. The version is not checked here.
    static std::optional<MemoryPayload> decode(const QJsonValue& json);
    // The payload in a JSON document: what `decode` makes of its top-level value, absent when the bytes are
    // no JSON document.
    static std::optional<MemoryPayload> fromJson(QByteArrayView json);

    // A new writer: whole-second ISO 8601 dates, sorted keys at every depth, compact output. The tombstone
    // file and the sync payload share this one form.
    static JsonWriter encoder();
};

} // namespace mivora
