#pragma once

#include "Memories/Seed.h"

#include <QDateTime>
#include <QList>

namespace mivora::bench {

inline const QDateTime now(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

// A thousand memories: the sample set over and over, each copy with its own names and values.
inline QList<Memory> thousand() {
    QList<Memory> out;
    const QList<Memory> base = Seed::samples(now);
    for (int i = 0; out.size() < 1000; ++i)
        for (Memory m : base) {
            if (out.size() == 1000) break;
            const QString n = QString::number(i);
            m.id = Memory::newId();
            m.title += n;
            for (QString& a : m.aliases)
                a += n;
            m.value += n;
            m.useCount = i % 7;
            m.savedAt = m.savedAt.addSecs(-i * 3600);
            out.append(m);
        }
    return out;
}

} // namespace mivora::bench
