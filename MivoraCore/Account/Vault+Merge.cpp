#include "Account/Vault.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace mivora {

namespace {

// A tombstone older than this, counted back from now, is forgotten: 90 days.
constexpr qint64 tombstoneLifetime = 90 * 86400;

qint64 modified(const Memory& m) {
    return (m.updatedAt ? *m.updatedAt : m.savedAt).toMSecsSinceEpoch();
}

} // namespace

Memory Vault::pick(const Memory& local, const Memory& remote) {
    Memory out = modified(local) > modified(remote) ? local : remote;
    out.useCount = std::max(local.useCount, remote.useCount);
    if (local.lastUsedAt && remote.lastUsedAt)
        out.lastUsedAt = std::max(*local.lastUsedAt, *remote.lastUsedAt);
    else
        out.lastUsedAt = local.lastUsedAt ? local.lastUsedAt : remote.lastUsedAt;
    return out;
}

Vault::Payload Vault::merge(const Payload& local, const Payload& remote, const QDateTime& now) {
    QMap<QString, QDateTime> tombstones = local.deleted;
    for (auto it = remote.deleted.begin(); it != remote.deleted.end(); ++it) {
        auto mine = tombstones.find(it.key());
        if (mine == tombstones.end())
            tombstones.insert(it.key(), it.value());
        else if (it.value() >= *mine)
            *mine = it.value();
    }
    const QDateTime cutoff = now.addSecs(-tombstoneLifetime);
    Payload out;
    out.v = 1;
    // Walked in key order, so each kept entry goes at the end of the map.
    for (auto it = tombstones.begin(); it != tombstones.end(); ++it)
        if (it.value() >= cutoff) out.deleted.insert(out.deleted.end(), it.key(), it.value());

    // Looked up by hash: one lookup per record, where the sorted map would compare ids all the way down.
    QHash<QString, qint64> goneAt;
    goneAt.reserve(out.deleted.size());
    for (auto it = out.deleted.cbegin(); it != out.deleted.cend(); ++it)
        goneAt.insert(it.key(), it.value().toMSecsSinceEpoch());

    QHash<QString, const Memory*> remoteById;
    remoteById.reserve(remote.items.size());
    for (const Memory& m : remote.items)
        if (!remoteById.contains(m.id)) remoteById.insert(m.id, &m);

    // The first record of an id decides; a tombstone at or after its modification time removes it. Local
    // ids are seen first, so a server record of the same id is already taken care of.
    QSet<QString> seen;
    seen.reserve(local.items.size() + remote.items.size());
    auto first = [&](const QString& id) {
        const qsizetype before = seen.size();
        seen.insert(id);
        return seen.size() > before;
    };
    out.items.reserve(local.items.size() + remote.items.size());
    auto keep = [&](Memory m) {
        const auto gone = goneAt.constFind(m.id);
        if (gone == goneAt.constEnd() || *gone < modified(m)) out.items.append(std::move(m));
    };
    for (const Memory& m : local.items) {
        if (!first(m.id)) continue;
        const auto theirs = remoteById.constFind(m.id);
        keep(theirs == remoteById.constEnd() ? m : pick(m, **theirs));
    }
    for (const Memory& m : remote.items)
        if (first(m.id)) keep(m);
    return out;
}

} // namespace mivora
