#include "Platform/Linux/X11Display.h"

#include <QtGlobal>

// Xlib's macros (None, Bool...) clash with Qt's names, so it comes after every Qt header.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace mivora {

X11Display::X11Display() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return;
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    X11Errors::watch(display_, nullptr);
    // The X server going away: every later request on this connection fails at once, and the program ends
    // when its key watcher or Qt's own connection sees the same.
    X11Errors::watchEnd(display_, nullptr);
}

X11Display::~X11Display() {
    if (!display_) return;
    XCloseDisplay(display_);
    X11Errors::unwatch(display_);
}

bool X11Display::hasRawEvents(Display* display, int* opcode) {
    int op = -1, firstEvent = 0, firstError = 0;
    if (!display || !XQueryExtension(display, "XInputExtension", &op, &firstEvent, &firstError)) return false;
    int major = 2, minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2 || (major == 2 && minor < 1))
        return false;
    if (opcode) *opcode = op;
    return true;
}

X11Display::ErrorTrap::ErrorTrap(Display* display) : display_(display) {
    if (display_) X11Errors::watch(display_, [this](const X11Errors::Error& e) { errors_.push_back(e); });
}

X11Display::ErrorTrap::~ErrorTrap() {
    if (!display_) return;
    XSync(display_, False);
    X11Errors::watch(display_, nullptr);
}

const std::vector<X11Errors::Error>& X11Display::ErrorTrap::errors() {
    if (display_) XSync(display_, False);
    return errors_;
}

} // namespace mivora
