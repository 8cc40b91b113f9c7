#include "Platform/Linux/X11Errors.h"

#include <X11/Xlib.h>

#include <mutex>
#include <vector>

namespace mivora {

namespace {

struct Watched {
    Display* display;
    X11Errors::Handler handler;
    bool endWatched = false;
    X11Errors::EndHandler ended;
};

// Never destroyed: owners may unwatch their displays late during exit, in any order.
std::vector<Watched>& watched() {
    static auto* list = new std::vector<Watched>;
    return *list;
}

// Errors are reported on the thread that reads a connection, which need not be the main thread.
std::mutex& lock() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

XErrorHandler previous = nullptr;
bool installed = false;
XIOErrorHandler previousEnd = nullptr;
bool endInstalled = false;

Watched* find(Display* display) {
    for (Watched& w : watched())
        if (w.display == display) return &w;
    return nullptr;
}

// Xlib calls this first when a connection ends; returning lets it go on to the connection's own exit
// handler below instead of ending the process.
int onEnd(Display* display) {
    {
        std::lock_guard guard(lock());
        if (const Watched* w = find(display); w && w->endWatched) return 0;
    }
    return previousEnd ? previousEnd(display) : 0;
}

void onEndExit(Display* display, void*) {
    X11Errors::EndHandler ended;
    {
        std::lock_guard guard(lock());
        if (const Watched* w = find(display)) ended = w->ended;
    }
    if (ended) ended();
}

int onError(Display* display, XErrorEvent* error) {
    {
        std::lock_guard guard(lock());
        for (const Watched& w : watched()) {
            if (w.display == display) {
                if (w.handler) w.handler({error->serial, error->error_code, error->request_code});
                return 0;
            }
        }
    }
    // A handler installed over ours might hand the error back to us; never go round in circles.
    static bool forwarding = false;
    if (!previous || forwarding) return 0;
    forwarding = true;
    const int rc = previous(display, error);
    forwarding = false;
    return rc;
}

} // namespace

void X11Errors::watch(Display* display, Handler handler) {
    std::lock_guard guard(lock());
    // Another library may have replaced the handler since; put ours back in front of it.
    XErrorHandler current = XSetErrorHandler(onError);
    if (!installed || current != onError) previous = current;
    installed = true;
    for (Watched& w : watched()) {
        if (w.display == display) {
            w.handler = std::move(handler);
            return;
        }
    }
    watched().push_back({display, std::move(handler)});
}

void X11Errors::watchEnd(Display* display, EndHandler ended) {
    std::lock_guard guard(lock());
    // Another library (Qt's own connection) may have put its handler in since, which ends the process.
    XIOErrorHandler current = XSetIOErrorHandler(onEnd);
    if (!endInstalled || current != onEnd) previousEnd = current;
    endInstalled = true;
    XSetIOErrorExitHandler(display, onEndExit, nullptr);
    if (Watched* w = find(display)) {
        w->endWatched = true;
        w->ended = std::move(ended);
    } else {
        watched().push_back({display, nullptr, true, std::move(ended)});
    }
}

void X11Errors::unwatch(Display* display) {
    std::lock_guard guard(lock());
    auto& list = watched();
    std::erase_if(list, [display](const Watched& w) { return w.display == display; });
}

} // namespace mivora
