#include "Platform/Linux/X11FrontApplication.h"

#include "Platform/Linux/TerminalClasses.h"
#include "Platform/Linux/X11Display.h"

#include <QGuiApplication>

#include <xcb/xcb.h>
// Xlib's macros clash with Qt names: include it last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

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

// A list of windows held in a property of `window`; empty when it is missing.
std::vector<Window> windowsProperty(Display* display, Window window, const char* name) {
    std::vector<Window> windows;
    const Atom property = XInternAtom(display, name, True);
    if (property == None) return windows;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, XA_WINDOW, &actualType, &actualFormat,
                           &count, &remaining, &data) == Success &&
        data && actualType == XA_WINDOW && actualFormat == 32) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        windows.assign(items, items + count);
    }
    if (data) XFree(data);
    return windows;
}

// The top-level windows from bottom to top: the window manager's stacking list, or without one the root
// window's children, which the server keeps in that order.
std::vector<Window> stackedWindows(Display* display, Window root) {
    std::vector<Window> windows = windowsProperty(display, root, "_NET_CLIENT_LIST_STACKING");
    if (!windows.empty()) return windows;
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) && children)
        windows.assign(children, children + count);
    if (children) XFree(children);
    return windows;
}

// An application's ordinary window: not a dock, menu, tool palette or the desktop itself.
bool ordinary(Display* display, Window window) {
    const std::vector<Window> types = windowsProperty(display, window, "_NET_WM_WINDOW_TYPE");
    if (types.empty()) return true;
    const Atom type = types.front();
    return type == XInternAtom(display, "_NET_WM_WINDOW_TYPE_NORMAL", False) ||
           type == XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
}

// The window named by the window manager's _NET_ACTIVE_WINDOW, or without one the window holding the
// input focus; None when no application's window is in front.
Window activeWindow(Display* display) {
    const Window root = DefaultRootWindow(display);
    Window window = cardinalProperty(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (window == None) {
        int revert = 0;
        XGetInputFocus(display, &window, &revert);
        // Focus on the root window (what it reverts to when the focused window closes) is no application.
        if (window == None || window == PointerRoot || window == root) return None;
    }
    return window;
}

// The window that holds `window`; None when the server cannot tell (the window is gone).
Window parentOf(Display* display, Window window) {
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count)) return None;
    if (children) XFree(children);
    return parent;
}

// The process id a window or the nearest of its ancestors names in _NET_WM_PID; 0 when none does.
qint64 windowPid(Display* display, Window window) {
    const Window root = DefaultRootWindow(display);
    for (int depth = 0; depth < 32 && window != None && window != root; ++depth) {
        if (const unsigned long pid = cardinalProperty(display, window, "_NET_WM_PID", XA_CARDINAL))
            return qint64(pid);
        window = parentOf(display, window);
    }
    return 0;
}

} // namespace

std::optional<FrontApp> X11FrontApplication::current() {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    X11Display::ErrorTrap trap(display); // the window may vanish while we read it

    const Window root = DefaultRootWindow(display);
    Window window = activeWindow(display);
    if (window == None) return std::nullopt;

    // The focus may rest on a child window; WM_CLASS sits on the top-level one.
    for (int depth = 0; depth < 32 && window != None && window != root; ++depth) {
        XClassHint hint{nullptr, nullptr};
        if (XGetClassHint(display, window, &hint)) {
            FrontApp app;
            const QString instance = QString::fromLocal8Bit(hint.res_name ? hint.res_name : "");
            app.identifier = QString::fromLocal8Bit(hint.res_class ? hint.res_class : "");
            app.paste = TerminalClasses::pasteKeys(instance, app.identifier);
            app.dropsEarlyPaste = TerminalClasses::dropsEarlyPaste(instance, app.identifier);
            if (app.identifier.isEmpty()) app.identifier = instance;
            if (hint.res_class) XFree(hint.res_class);
            if (hint.res_name) XFree(hint.res_name);
            app.pid = qint64(cardinalProperty(display, window, "_NET_WM_PID", XA_CARDINAL));
            // A window whose process runs a shell on a pseudo-terminal is a terminal's, named or not: its
            // Ctrl+V would go to the shell as a raw control character.
            if (app.paste == PasteKeys::controlV && TerminalClasses::holdsPseudoTerminal(app.pid))
                app.paste = PasteKeys::controlShiftV;
            return app;
        }
        window = parentOf(display, window);
    }
    return FrontApp{};
}

bool X11FrontApplication::owns(unsigned long window) {
    Display* display = display_.get();
    if (!display || window == None) return false;
    X11Display::ErrorTrap trap(display); // either window may vanish while we read it
    const Window front = activeWindow(display);
    if (front == None) return false;
    // The server hands every client its own range of identifiers, the same mask for all: a window made on
    // the same connection as the front window (a toolkit's hidden window for the clipboard) carries the
    // same high bits.
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection()) {
        const XID clientBits = ~XID(xcb_get_setup(x11->connection())->resource_id_mask);
        if ((front & clientBits) == (window & clientBits)) return true;
    }
    const qint64 pid = windowPid(display, window);
    return pid != 0 && pid == windowPid(display, front);
}

std::optional<QRect> X11FrontApplication::frontWindowFrame() {
    const std::optional<FrontApp> app = current();
    Display* display = display_.get();
    if (!app || app->pid == 0 || !display) return std::nullopt;
    X11Display::ErrorTrap trap(display);

    const Window root = DefaultRootWindow(display);
    const std::vector<Window> stack = stackedWindows(display, root);
    for (auto window = stack.rbegin(); window != stack.rend(); ++window) {
        if (qint64(cardinalProperty(display, *window, "_NET_WM_PID", XA_CARDINAL)) != app->pid) continue;
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, *window, &attributes) || attributes.map_state != IsViewable ||
            attributes.override_redirect || attributes.width <= 200 || attributes.height <= 150 ||
            !ordinary(display, *window))
            continue;
        int x = 0, y = 0;
        Window child = None;
        if (!XTranslateCoordinates(display, *window, root, 0, 0, &x, &y, &child)) continue;
        return QRect(x, y, attributes.width, attributes.height);
    }
    return std::nullopt;
}

} // namespace mivora
