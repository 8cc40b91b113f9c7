#pragma once

#include "Memories/Memory.h"

#include <QAbstractListModel>

namespace mivora {

// The rows of the memories list, one per memory, in the order given. The display text is the title;
// the preview hides the value of a sensitive memory.
class MemoryListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole + 1, PreviewRole, SensitiveRole };

    using QAbstractListModel::QAbstractListModel;

    // Same memories in the same order: the rows are redrawn in place (the view keeps its scroll and
    // selection); otherwise the model is reset.
    void setMemories(QList<Memory> memories);
    // The row of the memory with this id, or -1.
    int rowOf(const QString& id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<Memory> memories_;
};

} // namespace mivora
