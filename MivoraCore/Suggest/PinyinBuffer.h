#pragma once

#include <QString>

#include <optional>

namespace mivora {

// Follows the raw keys of a pinyin input method (the default behaviour on a US layout: letters compose,
// Space or a digit 1-9 picks a candidate and commits, Backspace deletes a letter, Tab, = and -, the arrows,
// Page Up and Down, Home, End and Delete move through the candidates and the letters and leave the
// composition open where an input method takes the keys) and reconstructs the letters typed and committed,
// for applications whose text cannot be read. A plain value, no platform.
struct PinyinBuffer {
    struct Ready {
        QString letters;
        bool joined = false; // the commit was followed by a full-width colon
        bool operator==(const Ready&) const = default;
    };

    static constexpr qsizetype maxCommitted = 40;

    QString composing;           // the syllable run being typed
    QString committed;           // the runs committed in this field, the last 40 letters
    std::optional<Ready> ready;  // set by the key that just committed, cleared by the next
    qsizetype picked = 0;        // how many letters the commit that set `ready` took from `composing`
    int serial = 0;              // counts commits; never reset
    std::optional<QString> note; // why a non-empty buffer was just emptied; its owner takes it
    // Whether an input method takes the keys: only then do the keys that move through its candidates
    // leave the letters composing; without one they end the run like any other key.
    bool throughInputMethod = true;

    // One key-down.
    void key(int code, bool shift, bool command);
    // Empties the letters (keeps `serial` and `note`).
    void reset();
    // The field shows only the first `count` letters of the commit that set `ready` (none while the input
    // method keeps its pick in the composition): a digit picks a candidate for part of the letters, and
    // the input method goes on composing the rest. What did not land goes back to `composing`.
    void keepComposing(qsizetype count);

    // The letter of a letter key, or nothing.
    static std::optional<QChar> letter(int code);
};

} // namespace mivora
