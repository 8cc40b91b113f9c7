#pragma once

#include "Insertion/Inserting.h"
#include "Platform/PlatformWords.h"

#include <optional>

namespace mivora {

// The insertion rule as data: always paste; restore the clipboard only after pasting into a text field;
// anywhere else leave the text on the clipboard and tell the user how to paste it, with the keys that
// paste in the application in front.
struct InsertPlan {
    static QString pasteHint(PasteKeys keys = PasteKeys::controlV) {
        return QStringLiteral("没出现的话，按 ") + PlatformWords::pasteShortcut(keys) +
               QStringLiteral(" 粘贴");
    }

    bool paste = true;
    bool restoreClipboard = false;
    std::optional<QString> hint;

    static InsertPlan make(FocusKind kind, PasteKeys keys = PasteKeys::controlV) {
        if (kind == FocusKind::text) return {true, true, std::nullopt};
        return {true, false, pasteHint(keys)};
    }
    bool operator==(const InsertPlan&) const = default;
};

} // namespace mivora
