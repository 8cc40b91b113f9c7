#include "MivoraUI/Memories/MemoryListFilter.h"

#include "Support/Text.h"

#include <algorithm>

namespace mivora::MemoryListFilter {

namespace {

// Whether `needle` occurs in `text` as whole characters: a hit that starts or ends between the two halves
// of a surrogate pair is half a character (a query's lone half of an emoji finds nothing).
bool containsWhole(const QString& text, const QString& needle) {
    const auto splitsPair = [&](qsizetype at) {
        return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() && text[at].isLowSurrogate();
    };
    for (qsizetype at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + 1))
        if (!splitsPair(at) && !splitsPair(at + needle.size())) return true;
    return false;
}

bool matches(const Memory& m, const QString& needle) {
    auto has = [&](const QString& text) { return containsWhole(Text::toLower(text), needle); };
    if (has(m.title) || has(m.type)) return true;
    if (std::any_of(m.aliases.cbegin(), m.aliases.cend(), has)) return true;
    return !m.sensitive && has(m.value);
}

} // namespace

QList<Memory> filtered(const QList<Memory>& memories, const QString& query) {
    const QString needle = Text::toLower(Text::trimSpacesAndTabs(query));
    QList<const Memory*> order;
    order.reserve(memories.size());
    for (const Memory& m : memories)
        if (needle.isEmpty() || matches(m, needle)) order.append(&m);
    std::stable_sort(order.begin(), order.end(), [](const Memory* a, const Memory* b) {
        if (a->pinned != b->pinned) return a->pinned;
        return a->useCount > b->useCount;
    });
    QList<Memory> out;
    out.reserve(order.size());
    for (const Memory* m : order)
        out.append(*m);
    return out;
}

} // namespace mivora::MemoryListFilter
