#pragma once

#include <functional>

typedef struct _XDisplay Display;

namespace mivora {

// Routes X protocol errors of our own display connections to their owners instead of Xlib's default
// handler, which ends the process (for instance when a key is already grabbed by another program).
// Errors on connections nobody watches go to whatever handler was installed before. A connection read on
// a thread of its own has its errors handed to its handler on that thread; the handler must not watch or
// unwatch.
// The end of a watched connection (the X server went away) does not end the process either: Xlib would
// call exit() on whichever thread met it, while another thread may be leaving through its own exit. The
// connection is left dead (every later call on it fails at once) and its owner is told; the owner decides
// how the program ends, on the main thread.
class X11Errors {
public:
    // What an error report says (the fields of XErrorEvent that matter here).
    struct Error {
        unsigned long serial;      // the failed request's serial number
        unsigned char errorCode;   // BadAccess, BadValue...
        unsigned char requestCode; // X_GrabKey...
    };
    using Handler = std::function<void(const Error&)>;
    // Called inside Xlib, on the thread that met the end: note it and act after the Xlib call returns.
    using EndHandler = std::function<void()>;

    // From now on, errors on `display` go to `handler` (replacing an earlier one for that display).
    static void watch(Display* display, Handler handler);
    // From now on, the end of `display`'s connection goes to `ended` (may be empty: nothing is told).
    static void watchEnd(Display* display, EndHandler ended);
    // Stops routing `display`'s errors; call before closing it.
    static void unwatch(Display* display);
};

} // namespace mivora
