#include "Insertion/PasteboardSnapshot.h"

namespace mivora {

PasteboardSnapshot::PasteboardSnapshot(const Pasteboard& pasteboard) {
    const int count = pasteboard.itemCount();
    for (int i = 0; i < count; ++i) {
        Pasteboard::Item item;
        for (const QString& type : pasteboard.types(i))
            if (auto bytes = pasteboard.data(i, type)) item.emplace_back(type, std::move(*bytes));
        items.push_back(std::move(item));
    }
}

void PasteboardSnapshot::restore(Pasteboard& pasteboard) const {
    pasteboard.write(items);
}

} // namespace mivora
