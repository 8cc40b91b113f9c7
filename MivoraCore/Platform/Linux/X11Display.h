#pragma once

#include "Platform/Linux/X11Errors.h"

#include <vector>

typedef struct _XDisplay Display;

namespace mivora {

// A connection of the program's own to the X server for short requests made on the main thread (posting
// the paste keys, reading the front window, asking about keys). Opened from $DISPLAY on construction;
// `get()` is nullptr when there is no X server. Its errors never end the process (see X11Errors).
class X11Display {
public:
    X11Display();
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    Display* get() const { return display_; }

    // True when `display` reports raw key events while other clients hold grabs (XInput 2.1 or later);
    // `opcode` receives the extension's major opcode.
    static bool hasRawEvents(Display* display, int* opcode = nullptr);

    // Collects X errors raised on a display while it lives, instead of letting them end the process.
    class ErrorTrap {
    public:
        explicit ErrorTrap(Display* display);
        ~ErrorTrap();
        ErrorTrap(const ErrorTrap&) = delete;
        ErrorTrap& operator=(const ErrorTrap&) = delete;

        // Waits until the server has handled every request sent so far; true when any of them failed.
        bool failed() { return !errors().empty(); }
        // The same wait; what failed.
        const std::vector<X11Errors::Error>& errors();

    private:
        Display* display_;
        std::vector<X11Errors::Error> errors_;
    };

private:
    Display* display_ = nullptr;
};

} // namespace mivora
