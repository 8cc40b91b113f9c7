#include "Platform/Linux/TerminalClasses.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace mivora;

// Editors whose Ctrl+V is no paste are known by either part of their window class, as terminals are.
TEST(TerminalClasses, EditorsWithKeysOfTheirOwnAreKnownByTheirWindowClass) {
    EXPECT_EQ(TerminalClasses::pasteKeys("gvim", "Gvim"), PasteKeys::menuOnly);
    EXPECT_EQ(TerminalClasses::pasteKeys("", "Emacs"), PasteKeys::controlY);
    EXPECT_EQ(TerminalClasses::pasteKeys("emacs", "Emacs.Local"), PasteKeys::controlY);
    EXPECT_EQ(TerminalClasses::pasteKeys("mousepad", "Mousepad"), PasteKeys::controlV);
}

// A terminal emulator the list does not name is known by the pseudo-terminal its shell runs on: the process
// holds the master side open.
TEST(TerminalClasses, AProcessHoldingAPseudoTerminalOpenIsATerminal) {
    EXPECT_FALSE(TerminalClasses::holdsPseudoTerminal(getpid()));
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    EXPECT_TRUE(TerminalClasses::holdsPseudoTerminal(getpid()));
    close(master);
    EXPECT_FALSE(TerminalClasses::holdsPseudoTerminal(getpid()));
    EXPECT_FALSE(TerminalClasses::holdsPseudoTerminal(0));
}
