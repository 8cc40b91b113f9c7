#include "MivoraUI/Memories/MemoryListModel.h"

#include <algorithm>

namespace mivora {

namespace {

// A secret is not shown even in part.
QString preview(const Memory& memory) {
    return memory.sensitive ? QStringLiteral("••••••") : memory.firstLine();
}

} // namespace

void MemoryListModel::setMemories(QList<Memory> memories) {
    const bool sameRows = memories.size() == memories_.size() &&
                          std::equal(memories.cbegin(), memories.cend(), memories_.cbegin(),
                                     [](const Memory& a, const Memory& b) { return a.id == b.id; });
    if (!sameRows) beginResetModel();
    memories_ = std::move(memories);
    if (!sameRows) return endResetModel();
    if (!memories_.isEmpty()) emit dataChanged(index(0), index(int(memories_.size()) - 1));
}

int MemoryListModel::rowOf(const QString& id) const {
    for (int i = 0; i < memories_.size(); ++i)
        if (memories_[i].id == id) return i;
    return -1;
}

int MemoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(memories_.size());
}

QVariant MemoryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= memories_.size()) return {};
    const Memory& m = memories_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return m.title;
    case IdRole:
        return m.id;
    case PreviewRole:
        return preview(m);
    case SensitiveRole:
        return m.sensitive;
    default:
        return {};
    }
}

} // namespace mivora
