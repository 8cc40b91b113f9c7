#include "Account/Vault.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <utility>

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

    // Everything known about an id in one table, so each record costs one lookup.
    struct Id {
        const Memory* remote = nullptr; // its first server record
        bool local = false;             // a local record of it has been taken
        std::optional<qint64> gone;     // its tombstone
    };
    QHash<QString, Id> ids;
    ids.reserve(out.deleted.size() + local.items.size() + remote.items.size());
    for (auto it = out.deleted.cbegin(); it != out.deleted.cend(); ++it)
        ids[it.key()].gone = it.value().toMSecsSinceEpoch();
    for (const Memory& m : remote.items) {
        Id& id = ids[m.id];
        if (!id.remote) id.remote = &m;
    }

    // The first record of an id decides; a tombstone at or after its modification time removes it.
    out.items.reserve(local.items.size() + remote.items.size());
    auto keep = [&](const Id& id, Memory m) {
        if (!id.gone || *id.gone < modified(m)) out.items.append(std::move(m));
    };
    for (const Memory& m : local.items) {
        Id& id = ids[m.id];
        if (std::exchange(id.local, true)) continue;
        keep(id, id.remote ? pick(m, *id.remote) : m);
    }
    // A server record counts only as the first of an id this device does not have.
    for (const Memory& m : remote.items) {
        const Id& id = *ids.constFind(m.id);
        if (!id.local && id.remote == &m) keep(id, m);
    }
    return out;
}

} // namespace mivora
