#include "Platform/Linux/TerminalClasses.h"

#include <gtest/gtest.h>

using namespace mivora;

// Editors whose Ctrl+V is no paste are known by either part of their window class, as terminals are.
TEST(TerminalClasses, EditorsWithKeysOfTheirOwnAreKnownByTheirWindowClass) {
    EXPECT_EQ(TerminalClasses::pasteKeys("gvim", "Gvim"), PasteKeys::menuOnly);
    EXPECT_EQ(TerminalClasses::pasteKeys("", "Emacs"), PasteKeys::controlY);
    EXPECT_EQ(TerminalClasses::pasteKeys("emacs", "Emacs.Local"), PasteKeys::controlY);
    EXPECT_EQ(TerminalClasses::pasteKeys("mousepad", "Mousepad"), PasteKeys::controlV);
}
