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

    QHash<QString, const Memory*> remoteById;
    remoteById.reserve(remote.items.size());
    for (const Memory& m : remote.items)
        if (!remoteById.contains(m.id)) remoteById.insert(m.id, &m);
    QSet<QString> localIds;
    localIds.reserve(local.items.size());
    for (const Memory& m : local.items)
        localIds.insert(m.id);

    QList<Memory> joined;
    joined.reserve(local.items.size() + remote.items.size());
    for (const Memory& m : local.items) {
        const auto theirs = remoteById.constFind(m.id);
        joined.append(theirs == remoteById.constEnd() ? m : pick(m, **theirs));
    }
    for (const Memory& m : remote.items)
        if (!localIds.contains(m.id)) joined.append(m);

    // The first record of an id decides; a tombstone at or after its modification time removes it.
    QSet<QString> seen;
    seen.reserve(joined.size());
    out.items.reserve(joined.size());
    for (Memory& m : joined) {
        if (seen.contains(m.id)) continue;
        seen.insert(m.id);
        const auto gone = out.deleted.constFind(m.id);
        if (gone != out.deleted.constEnd() && gone->toMSecsSinceEpoch() >= modified(m)) continue;
        out.items.append(std::move(m));
    }
    return out;
}

} // namespace mivora
