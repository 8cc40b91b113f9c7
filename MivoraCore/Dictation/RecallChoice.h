#pragma once

#include <QMetaType>
#include <QString>

namespace mivora {

// One numbered choice offered after a voice recall found several memories.
struct RecallChoice {
    // What a sensitive memory shows instead of its value.
    static inline const QString sensitivePreview = QStringLiteral("••••••（敏感信息，确认后才插入）");

    QString id;      // the memory's id
    QString title;   // the memory's title
    QString preview; // the value, or `sensitivePreview` for a sensitive memory
    bool sensitive = false;

    bool operator==(const RecallChoice&) const = default;
};

} // namespace mivora

Q_DECLARE_METATYPE(mivora::RecallChoice)
