#include "Platform/Linux/X11Display.h"

#include <QtGlobal>

// Xlib's macros (None, Bool...) clash with Qt's names, so it comes after every Qt header.
#include <X11/Xlib.h>

namespace mivora::X11Display {

namespace {
using Handler = int (*)(Display*, XErrorEvent*);
Display* trapped = nullptr;
Handler previousHandler = nullptr;
bool sawError = false;

int trapHandler(Display* display, XErrorEvent* event) {
    if (display == trapped) {
        sawError = true;
        return 0;
    }
    return previousHandler ? previousHandler(display, event) : 0;
}
} // namespace

Display* shared() {
    static Display* display = [] {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) return static_cast<Display*>(nullptr);
        return XOpenDisplay(nullptr);
    }();
    return display;
}

ErrorTrap::ErrorTrap(Display* display) : display_(display), previous_(nullptr) {
    trapped = display;
    sawError = false;
    previousHandler = XSetErrorHandler(trapHandler);
    previous_ = reinterpret_cast<void*>(previousHandler);
}

ErrorTrap::~ErrorTrap() {
    if (display_) XSync(display_, False);
    XSetErrorHandler(reinterpret_cast<Handler>(previous_));
    trapped = nullptr;
}

bool ErrorTrap::failed() {
    if (display_) XSync(display_, False);
    return sawError;
}

} // namespace mivora::X11Display
