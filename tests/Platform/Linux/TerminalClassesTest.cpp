#include "Platform/Linux/TerminalClasses.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace mivora;

// Applications whose Ctrl+V is no paste are known by either part of their window class. The editors with
// keys of their own are no terminals: their focus is not taken for a text field.
TEST(TerminalClasses, EditorsWithKeysOfTheirOwnAreKnownButAreNoTerminals) {
    const std::pair<QStringList, PasteKeys> cases[] = {
        {{"gvim", "Gvim"}, PasteKeys::menuOnly},
        {{"", "Emacs"}, PasteKeys::controlY},
        {{"emacs", ""}, PasteKeys::controlY},
        {{"xterm", "XTerm"}, PasteKeys::shiftInsert},
        {{"mousepad", "Mousepad"}, PasteKeys::controlV},
    };
    for (const auto& [names, keys] : cases) {
        EXPECT_EQ(TerminalClasses::pasteKeys(names[0], names[1]), keys) << names.join('/').toStdString();
        EXPECT_EQ(FrontApp{.paste = keys}.isTerminal(), keys == PasteKeys::shiftInsert);
    }
}
