#pragma once

#include "Platform/KeyboardProbe.h"

typedef struct _XDisplay Display;

namespace mivora {

// Asks the X server about keys over a connection of its own, opened on first use (and tried again on
// later calls while no display can be reached). Each question is a round trip; nothing is asked per
// key event. Main thread only.
class X11KeyboardProbe final : public KeyboardProbe {
public:
    X11KeyboardProbe() = default;
    ~X11KeyboardProbe() override;
    X11KeyboardProbe(const X11KeyboardProbe&) = delete;
    X11KeyboardProbe& operator=(const X11KeyboardProbe&) = delete;

    bool watchable() override;
    bool isDown(const QString& keyName) override;
    // Missing when no key produces the keysym; taken when a trial grab of it is refused because another
    // program holds it; free otherwise (the trial grab is released at once).
    KeyState hotkeyState(const QString& keyName) override;

private:
    Display* display();
    int keycodeFor(const QString& keyName);

    Display* display_ = nullptr;
};

} // namespace mivora
