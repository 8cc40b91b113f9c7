#pragma once

#include <QRectF>
#include <QString>

#include <optional>

namespace mivora {

class FrontApplication;
class InputMethods;
class Platform;
class TextAccess;

// Reads what the user has just typed in the focused text field of the front application: the text before
// the caret, the caret's rectangle on screen and a key naming this field and caret position. When nothing
// can be read it leaves a short reason in `lastFailure` for the log. Main thread only.
class CaretReader {
public:
    struct Caret {
        QString before;             // at most `maxChars` text positions (UTF-16 units) before the caret
        std::optional<QRectF> rect; // 1 wide, at the caret, origin at the bottom left of the first screen
        QString key;                // process id ":" caret location ":" the last 8 characters of `before`
        bool operator==(const Caret&) const = default;
    };

    explicit CaretReader(Platform& platform);
    CaretReader(TextAccess& access, FrontApplication& front, InputMethods* inputMethods = nullptr)
        : access_(access), front_(front), inputMethods_(inputMethods) {}

    // Nothing when the text before the caret cannot be had: also for a selection or a caret at the start
    // of the field, which leave `lastFailure` as it was.
    std::optional<Caret> read(int maxChars);
    // Whether the focused field of the front application hides what is typed into it (a password field);
    // nothing when that cannot be told (no focused element could be read, or not its role: a busy
    // application that did not answer in time).
    std::optional<bool> focusIsPassword();
    // Whether an input method is known to take the keys of the front application and to be switched on:
    // only then can letters typed there be held in a composition. Asks the desktop's input methods.
    bool inputMethodComposes();

    // The reason of the last read that failed, followed by the application's identifier in full-width
    // parentheses; written on failures only. Writable, so a self-test can simulate an unreadable field.
    QString lastFailure;
    // Whether the last read refused a password field; written on every read, writable like `lastFailure`.
    bool refusedPassword = false;
    // Whether the last read could not tell if the focused field is a password field; written on every read,
    // writable like `lastFailure`.
    bool kindUnknown = false;
    // Whether the last read found a text field with its caret at the start: nothing before it. Written on
    // every read, writable like `lastFailure`.
    bool atStart = false;

private:
    std::nullopt_t fail(const QString& reason, const QString& identifier);

    TextAccess& access_;
    FrontApplication& front_;
    InputMethods* inputMethods_;
};

} // namespace mivora
