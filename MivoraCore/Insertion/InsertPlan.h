#pragma once

#include "Insertion/Inserting.h"
#include "Platform/PlatformWords.h"

#include <optional>

namespace mivora {

// The insertion rule as data: paste, unless no key pastes in the application in front; restore the
// clipboard only after pasting into a text field; anywhere else leave the text on the clipboard and tell
// the user how to paste it, the way that pastes in the application in front.
struct InsertPlan {
    static QString pasteHint(PasteKeys keys = PasteKeys::controlV) {
        if (keys == PasteKeys::menuOnly)
            return QStringLiteral("文字在剪贴板上，") + PlatformWords::pasteWith(keys) +
                   QStringLiteral("粘贴");
        return QStringLiteral("没出现的话，") + PlatformWords::pasteWith(keys) + QStringLiteral("粘贴");
    }
    // For a text that may not have landed because an input method was composing in the field.
    static QString compositionHint(PasteKeys keys = PasteKeys::controlV) {
        return QStringLiteral("文字在剪贴板上：输入法上屏后") + PlatformWords::pasteWith(keys) +
               QStringLiteral("粘贴");
    }

    bool paste = true;
    bool restoreClipboard = false;
    std::optional<QString> hint;

    static InsertPlan make(FocusKind kind, PasteKeys keys = PasteKeys::controlV) {
        if (keys == PasteKeys::menuOnly) return {false, false, pasteHint(keys)};
        if (kind == FocusKind::text) return {true, true, std::nullopt};
        return {true, false, pasteHint(keys)};
    }
    bool operator==(const InsertPlan&) const = default;
};

} // namespace mivora
