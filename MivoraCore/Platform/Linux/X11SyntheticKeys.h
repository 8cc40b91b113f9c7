#pragma once

#include "Platform/SyntheticKeys.h"

namespace mivora {

class Clock;
class OwnKeyEvents;
class X11Display;

// Ctrl+V through the XTEST extension. Every event is recorded in OwnKeyEvents before it is sent, so the
// key watcher knows it for ours.
class X11SyntheticKeys final : public SyntheticKeys {
public:
    X11SyntheticKeys(X11Display& display, OwnKeyEvents& own, Clock& clock);

    // False when there is no X display, no XTEST, no key for Control_L or v, or the server refused.
    bool postPaste() override;

private:
    X11Display& display_;
    OwnKeyEvents& own_;
    Clock& clock_;
};

} // namespace mivora
