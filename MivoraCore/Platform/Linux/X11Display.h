#pragma once

typedef struct _XDisplay Display;

namespace mivora {

// The program's own Xlib connection for short requests made on the main thread (posting the paste keys,
// reading the front window). Opened on first use from $DISPLAY; nullptr when there is no X server.
namespace X11Display {

Display* shared();

// Collects X errors raised on `display` while it lives, instead of letting Xlib's default handler end the
// process. Errors on other connections go to the handler that was installed before.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits until the server has handled every request sent so far; true when any of them failed.
    bool failed();

private:
    Display* display_;
    void* previous_;
};

} // namespace X11Display
} // namespace mivora
