#pragma once

#include "Platform/Pasteboard.h"

#include <set>

namespace mivora::test {

// An in-memory pasteboard. `copy` plays another application writing to it.
class FakePasteboard final : public Pasteboard {
public:
    std::vector<Item> items;
    // Types listed by an item whose data the owner cannot give.
    std::set<QString> unreadable;
    int writes = 0;

    int itemCount() const override { return int(items.size()); }
    QStringList types(int item) const override;
    std::optional<QByteArray> data(int item, const QString& type) const override;
    void write(const std::vector<Item>& newItems) override;
    qint64 changeCount() const override { return changes_; }

    // Another application copies these items.
    void copy(std::vector<Item> newItems);
    // The bytes under `type` in the first item, or nothing.
    std::optional<QByteArray> value(const QString& type) const;
    bool hasType(const QString& type) const { return value(type).has_value(); }

private:
    qint64 changes_ = 0;
};

} // namespace mivora::test
