#pragma once

#include "Memories/Memory.h"

#include <QList>
#include <QString>

namespace mivora {

// What the memories list shows for a search text, in list order.
namespace MemoryListFilter {

// Pinned memories first, then the most used; equal ones keep stored order. A query (spaces and tabs
// around it dropped, case ignored) keeps the memories whose title, type or an alias contains it, or whose
// value does unless the memory is sensitive: a secret is never found by its content.
QList<Memory> filtered(const QList<Memory>& memories, const QString& query);

} // namespace MemoryListFilter

} // namespace mivora
