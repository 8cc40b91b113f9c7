#include "MivoraUI/Memories/MemoryListModel.h"

#include "MivoraUI/Kit/OneLine.h"

#include <algorithm>

namespace mivora {

namespace {

// The value's first line as `Memory::firstLine` finds it, cut to what a row can show: the line is found
// without copying or scanning more of a long value than the row needs.
QString firstLineShown(const QString& value) {
    qsizetype start = 0;
    while (start < value.size() && value[start] == u'\n')
        ++start;
    if (start == value.size()) return OneLine::prefix(value);
    // A line feed after a carriage return is part of a CR LF pair and ends nothing.
    const qsizetype stop = std::min(value.size(), start + OneLine::readAtMost);
    qsizetype end = start + 1;
    while (end < stop && !(value[end] == u'\n' && value[end - 1] != u'\r'))
        ++end;
    return OneLine::prefix(QStringView(value).mid(start, end - start));
}

// A secret is not shown even in part.
QString preview(const Memory& memory) {
    return memory.sensitive ? QStringLiteral("••••••") : firstLineShown(memory.value);
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
