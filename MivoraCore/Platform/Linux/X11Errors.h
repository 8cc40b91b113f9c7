#pragma once

#include <functional>

typedef struct _XDisplay Display;

namespace mivora {

// Routes X protocol errors of our own display connections to their owners instead of Xlib's default
// handler, which ends the process (for instance when a key is already grabbed by another program).
// Errors on connections nobody watches go to whatever handler was installed before. A connection read on
// a thread of its own has its errors handed to its handler on that thread; the handler must not watch or
// unwatch.
class X11Errors {
public:
    // What an error report says (the fields of XErrorEvent that matter here).
    struct Error {
        unsigned long serial;      // the failed request's serial number
        unsigned char errorCode;   // BadAccess, BadValue...
        unsigned char requestCode; // X_GrabKey...
    };
    using Handler = std::function<void(const Error&)>;

    // From now on, errors on `display` go to `handler` (replacing an earlier one for that display).
    static void watch(Display* display, Handler handler);
    // Stops routing `display`'s errors; call before closing it.
    static void unwatch(Display* display);
};

} // namespace mivora
