#pragma once

#include "Platform/Pasteboard.h"

#include <vector>

namespace mivora {

// Everything on a pasteboard at one moment: every item with every type that had data, in order.
struct PasteboardSnapshot {
    std::vector<Pasteboard::Item> items;

    PasteboardSnapshot() = default;
    // Captures the pasteboard now. Types the owner gives no data for are left out.
    explicit PasteboardSnapshot(const Pasteboard& pasteboard);
    // Puts the captured items back (an empty snapshot leaves the pasteboard empty).
    void restore(Pasteboard& pasteboard) const;

    bool operator==(const PasteboardSnapshot&) const = default;
};

} // namespace mivora
