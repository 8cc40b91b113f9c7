#include "Suggest/PinyinBuffer.h"

#include "Platform/KeyCodes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace mivora {

namespace {

constexpr std::array<std::pair<int, char>, 26> letters = {{
    {KeyCode::a, 'a'}, {KeyCode::s, 's'}, {KeyCode::d, 'd'}, {KeyCode::f, 'f'}, {KeyCode::h, 'h'},
    {KeyCode::g, 'g'}, {KeyCode::z, 'z'}, {KeyCode::x, 'x'}, {KeyCode::c, 'c'}, {KeyCode::v, 'v'},
    {KeyCode::b, 'b'}, {KeyCode::q, 'q'}, {KeyCode::w, 'w'}, {KeyCode::e, 'e'}, {KeyCode::r, 'r'},
    {KeyCode::y, 'y'}, {KeyCode::t, 't'}, {KeyCode::o, 'o'}, {KeyCode::u, 'u'}, {KeyCode::i, 'i'},
    {KeyCode::p, 'p'}, {KeyCode::l, 'l'}, {KeyCode::j, 'j'}, {KeyCode::k, 'k'}, {KeyCode::n, 'n'},
    {KeyCode::m, 'm'},
}};

bool isCandidateDigit(int code) {
    switch (code) {
    case KeyCode::digit1:
    case KeyCode::digit2:
    case KeyCode::digit3:
    case KeyCode::digit4:
    case KeyCode::digit5:
    case KeyCode::digit6:
    case KeyCode::digit7:
    case KeyCode::digit8:
    case KeyCode::digit9:
        return true;
    default:
        return false;
    }
}

// Keys an input method uses inside a composition to move through its candidates (next and previous
// candidate or page) and through its letters: the composition stays open.
bool movesInComposition(int code) {
    switch (code) {
    case KeyCode::tab:
    case KeyCode::equal:
    case KeyCode::minus:
    case KeyCode::upArrow:
    case KeyCode::downArrow:
    case KeyCode::leftArrow:
    case KeyCode::rightArrow:
    case KeyCode::pageUp:
    case KeyCode::pageDown:
    case KeyCode::home:
    case KeyCode::end:
    case KeyCode::forwardDelete:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<QChar> PinyinBuffer::letter(int code) {
    for (const auto& [key, c] : letters)
        if (key == code) return QChar(c);
    return std::nullopt;
}

void PinyinBuffer::reset() {
    composing.clear();
    committed.clear();
    ready.reset();
}

void PinyinBuffer::keepComposing(qsizetype count) {
    if (!ready || ready->joined || count >= picked) return;
    const qsizetype back = std::min(picked - std::max<qsizetype>(count, 0), committed.size());
    composing = committed.right(back) + composing;
    committed.chop(back);
    picked -= back;
    ready.reset();
}

void PinyinBuffer::key(int code, bool shift, bool command) {
    ready.reset();
    picked = 0;
    const bool hadLetters = !composing.isEmpty() || !committed.isEmpty();
    const auto typed = letter(code);

    if (command) {
        reset();
    } else if (typed && !shift) {
        composing += *typed;
    } else if (code == KeyCode::deleteKey) {
        if (!composing.isEmpty())
            composing.chop(1);
        else
            committed.clear();
    } else if (code == KeyCode::space || isCandidateDigit(code)) {
        if (composing.isEmpty()) {
            reset();
        } else {
            committed = (committed + composing).right(maxCommitted);
            picked = std::min(composing.size(), maxCommitted);
            composing.clear();
            ++serial;
            ready = Ready{committed, false};
        }
    } else if (code == KeyCode::quote && !composing.isEmpty()) {
        // The syllable separator (xi'an): the run goes on.
    } else if (throughInputMethod && !composing.isEmpty() && !(shift && code != KeyCode::tab) &&
               movesInComposition(code)) {
        // The run stays open. Letters the input method let through (switched to Latin letters) are in the
        // field; its owner drops them once the field shows they are no composition.
    } else if (code == KeyCode::semicolon && shift && composing.isEmpty()) {
        // A full-width colon typed right after a commit.
        if (!committed.isEmpty()) {
            ++serial;
            ready = Ready{committed, true};
            committed.clear();
        } else {
            reset();
        }
    } else {
        reset();
    }

    if (hadLetters && composing.isEmpty() && committed.isEmpty()) {
        if (command)
            note = QStringLiteral("快捷键");
        else if (typed)
            note = QStringLiteral("Shift+字母");
        else
            note = QStringLiteral("键码 ") + QString::number(code);
    }
}

} // namespace mivora
