#include "support/FakePasteboard.h"

namespace mivora::test {

QStringList FakePasteboard::types(int item) const {
    QStringList result;
    if (item < 0 || item >= itemCount()) return result;
    for (const auto& entry : items[size_t(item)])
        result << entry.first;
    return result;
}

std::optional<QByteArray> FakePasteboard::data(int item, const QString& type) const {
    if (item < 0 || item >= itemCount() || unreadable.count(type)) return std::nullopt;
    for (const auto& [t, bytes] : items[size_t(item)])
        if (t == type) return bytes;
    return std::nullopt;
}

void FakePasteboard::write(const std::vector<Item>& newItems) {
    items = newItems;
    ++writes;
    ++changes_;
}

void FakePasteboard::copy(std::vector<Item> newItems) {
    items = std::move(newItems);
    ++changes_;
}

std::optional<QByteArray> FakePasteboard::value(const QString& type) const {
    if (items.empty()) return std::nullopt;
    for (const auto& [t, bytes] : items.front())
        if (t == type) return bytes;
    return std::nullopt;
}

} // namespace mivora::test
