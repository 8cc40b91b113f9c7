#include "Platform/Linux/X11FrontApplication.h"

#include "Platform/Linux/X11Display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace mivora {

namespace {

// A 32-bit property of one item (a window or a cardinal), or 0.
unsigned long cardinalProperty(Display* display, Window window, const char* name, Atom type) {
    const Atom property = XInternAtom(display, name, True);
    if (property == None) return 0;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    unsigned long value = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType, &actualFormat, &count,
                           &remaining, &data) == Success &&
        data && actualType == type && actualFormat == 32 && count == 1)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return value;
}

} // namespace

std::optional<FrontApp> X11FrontApplication::current() {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    X11Display::ErrorTrap trap(display); // the window may vanish while we read it

    const Window root = DefaultRootWindow(display);
    Window window = cardinalProperty(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (window == None) {
        int revert = 0;
        XGetInputFocus(display, &window, &revert);
        // Focus on the root window (what it reverts to when the focused window closes) is no application.
        if (window == None || window == PointerRoot || window == root) return std::nullopt;
    }

    // The focus may rest on a child window; WM_CLASS sits on the top-level one.
    for (int depth = 0; depth < 32 && window != None && window != root; ++depth) {
        XClassHint hint{nullptr, nullptr};
        if (XGetClassHint(display, window, &hint)) {
            FrontApp app;
            app.identifier = QString::fromLocal8Bit(hint.res_class ? hint.res_class : "");
            if (app.identifier.isEmpty())
                app.identifier = QString::fromLocal8Bit(hint.res_name ? hint.res_name : "");
            if (hint.res_class) XFree(hint.res_class);
            if (hint.res_name) XFree(hint.res_name);
            app.pid = qint64(cardinalProperty(display, window, "_NET_WM_PID", XA_CARDINAL));
            return app;
        }
        Window rootReturn = None, parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count)) break;
        if (children) XFree(children);
        window = parent;
    }
    return FrontApp{};
}

} // namespace mivora
