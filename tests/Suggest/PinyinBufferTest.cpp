#include "Suggest/PinyinBuffer.h"

#include "Platform/KeyCodes.h"

#include <gtest/gtest.h>

namespace mivora {
namespace {

void type(PinyinBuffer& buffer, const char* letters) {
    for (const char* c = letters; *c; ++c)
        for (int code = 0; code < 128; ++code)
            if (PinyinBuffer::letter(code) == QChar(*c)) buffer.key(code, false, false);
}

TEST(PinyinBuffer, CommitsCountSerialsAndHandTheWholeHistoryOn) {
    PinyinBuffer b;
    type(b, "dizhi");
    b.key(KeyCode::space, false, false);
    EXPECT_EQ(b.ready, PinyinBuffer::Ready({"dizhi", false}));
    EXPECT_EQ(b.serial, 1);
    b.key(KeyCode::semicolon, true, false); // a full-width colon after the commit
    EXPECT_EQ(b.ready, PinyinBuffer::Ready({"dizhi", true}));
    EXPECT_EQ(b.serial, 2);
    EXPECT_TRUE(b.committed.isEmpty());

    type(b, "xi");
    b.key(KeyCode::quote, false, false); // the syllable separator
    type(b, "an");
    b.key(KeyCode::digit1, false, false);
    type(b, "wo");
    b.key(KeyCode::digit2, false, false);
    EXPECT_EQ(b.ready, PinyinBuffer::Ready({"xianwo", false}));
    b.key(KeyCode::quote, false, false); // the next key clears `ready`
    EXPECT_EQ(b.ready, std::nullopt);

    type(b, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrs"); // 45 letters in one run
    EXPECT_EQ(b.composing.size(), 45);
    b.key(KeyCode::space, false, false);
    EXPECT_EQ(b.committed, "fghijklmnopqrstuvwxyzabcdefghijklmnopqrs"); // the last 40
}

TEST(PinyinBuffer, ResetsLeaveANoteOnlyWhenLettersWereLost) {
    struct Row {
        int code;
        bool shift, command;
        const char* note;
    };
    for (const Row& row :
         {Row{KeyCode::digit0, false, false, "键码 29"}, Row{KeyCode::a, true, false, "Shift+字母"},
          Row{KeyCode::v, false, true, "快捷键"}}) {
        PinyinBuffer b;
        type(b, "wo");
        b.key(row.code, row.shift, row.command);
        EXPECT_TRUE(b.composing.isEmpty() && b.committed.isEmpty()) << row.note;
        EXPECT_EQ(b.note, row.note);
    }
    PinyinBuffer b;
    b.key(KeyCode::space, false, false); // nothing to lose: no note
    EXPECT_EQ(b.note, std::nullopt);
    type(b, "wo");
    b.key(KeyCode::space, false, false);
    type(b, "d");
    b.key(KeyCode::deleteKey, false, false); // deletes the letter
    EXPECT_EQ(b.committed, "wo");
    b.key(KeyCode::deleteKey, false, false); // nothing composing: the history goes
    EXPECT_TRUE(b.committed.isEmpty());
    EXPECT_EQ(b.note, "键码 51");
}

// Tab, = and -, the arrows, Page Up and Down, Home, End and Delete move through the candidates of an open
// composition and keep it; with nothing composing, or with Shift (+, _, a selection), they are other keys.
TEST(PinyinBuffer, KeysThatMoveThroughCandidatesKeepTheComposition) {
    const int moves[] = {KeyCode::tab,       KeyCode::equal,     KeyCode::minus,      KeyCode::upArrow,
                         KeyCode::downArrow, KeyCode::leftArrow, KeyCode::rightArrow, KeyCode::pageUp,
                         KeyCode::pageDown,  KeyCode::home,      KeyCode::end,        KeyCode::forwardDelete};
    for (const int code : moves) {
        PinyinBuffer b;
        type(b, "wo");
        b.key(KeyCode::space, false, false);
        type(b, "ma");
        b.key(code, false, false);
        EXPECT_EQ(b.composing, "ma") << code;
        EXPECT_EQ(b.committed, "wo") << code;
        EXPECT_EQ(b.note, std::nullopt) << code;
        b.key(KeyCode::space, false, false);
        EXPECT_EQ(b.ready, PinyinBuffer::Ready({"woma", false})) << code;
        b.key(code, false, false); // nothing composing
        EXPECT_TRUE(b.committed.isEmpty()) << code;
    }
    PinyinBuffer b;
    type(b, "ma");
    b.key(KeyCode::tab, true, false); // Shift+Tab: the previous candidate
    EXPECT_EQ(b.composing, "ma");
    b.key(KeyCode::equal, true, false); // +
    EXPECT_TRUE(b.composing.isEmpty());
}

// A digit may pick a candidate for only some of the letters; what the field does not show goes back to
// the composition, and the commit that follows holds the whole run again. A colon's commit is left alone.
TEST(PinyinBuffer, LettersThatDidNotLandGoBackToTheComposition) {
    PinyinBuffer b;
    type(b, "wo");
    b.key(KeyCode::space, false, false);
    type(b, "gongsidizhi");
    b.key(KeyCode::digit2, false, false);
    EXPECT_EQ(b.picked, 11);
    b.keepComposing(6); // the field shows 公司
    EXPECT_EQ(b.composing, "dizhi");
    EXPECT_EQ(b.committed, "wogongsi");
    EXPECT_EQ(b.ready, std::nullopt);
    b.keepComposing(0); // without `ready` nothing moves
    EXPECT_EQ(b.composing, "dizhi");
    b.key(KeyCode::space, false, false);
    EXPECT_EQ(b.ready, PinyinBuffer::Ready({"wogongsidizhi", false}));
    b.keepComposing(5); // the last run landed: nothing moves
    EXPECT_EQ(b.ready, PinyinBuffer::Ready({"wogongsidizhi", false}));

    type(b, "ma");
    b.key(KeyCode::digit1, false, false);
    b.keepComposing(0); // nothing landed yet: the whole run is composing again
    EXPECT_EQ(b.composing, "ma");
    EXPECT_EQ(b.committed, "wogongsidizhi");

    b.key(KeyCode::space, false, false);
    b.key(KeyCode::semicolon, true, false);
    b.keepComposing(0);
    EXPECT_EQ(b.ready, PinyinBuffer::Ready({"wogongsidizhima", true}));
}

} // namespace
} // namespace mivora
