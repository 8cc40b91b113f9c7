#pragma once

#include "Platform/Pasteboard.h"

namespace mivora {

// A clipboard held in this process's memory, seen by nobody else.
class MemoryPasteboard final : public Pasteboard {
public:
    std::vector<Item> items;
    qint64 changes = 0;

    int itemCount() const override { return int(items.size()); }
    QStringList types(int item) const override {
        QStringList result;
        for (const auto& entry : items.at(size_t(item)))
            result << entry.first;
        return result;
    }
    std::optional<QByteArray> data(int item, const QString& type) const override {
        for (const auto& [t, bytes] : items.at(size_t(item)))
            if (t == type) return bytes;
        return std::nullopt;
    }
    void write(const std::vector<Item>& newItems) override {
        items = newItems;
        ++changes;
    }
    qint64 changeCount() const override { return changes; }
    // The bytes under `type` in the first item.
    std::optional<QByteArray> value(const QString& type) const {
        return items.empty() ? std::nullopt : data(0, type);
    }
};

} // namespace mivora
