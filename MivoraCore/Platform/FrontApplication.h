#pragma once

#include <QRect>
#include <QString>

#include <optional>

namespace mivora {

// The keys an application pastes with. Terminal emulators leave Ctrl+V to the program running in them;
// most paste the clipboard with Ctrl+Shift+V, and some (xterm) paste only the primary selection, with
// Shift+Insert. Emacs yanks with Ctrl+Y. In vim no key pastes the clipboard whatever mode it is in (Ctrl+V
// waits for a key to insert literally): only its Edit menu's Paste does (`menuOnly`, no key is posted).
enum class PasteKeys { controlV, controlShiftV, shiftInsert, controlY, menuOnly };

// The application whose window is in front.
struct FrontApp {
    QString identifier; // stable name of the application; empty when it has none
    qint64 pid = 0;     // process id, 0 when unknown
    PasteKeys paste = PasteKeys::controlV;
    // Ignores a paste asked for before it has asked the clipboard's new owner for anything.
    bool dropsEarlyPaste = false;

    // A terminal emulator: it takes pasted text at its cursor, whatever its accessibility tree says.
    bool isTerminal() const { return paste == PasteKeys::controlShiftV || paste == PasteKeys::shiftInsert; }
};

class FrontApplication {
public:
    virtual ~FrontApplication() = default;
    // The front application, or nothing when no window is in front.
    virtual std::optional<FrontApp> current() = 0;
    // The frame of the front application's frontmost shown ordinary window that is wider than 200 and
    // taller than 150 pixels, origin at the top left of the first screen; nothing when it has none.
    virtual std::optional<QRect> frontWindowFrame() = 0;
};

} // namespace mivora
