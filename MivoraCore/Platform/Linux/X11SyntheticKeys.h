#pragma once

#include "Platform/SyntheticKeys.h"

namespace mivora {

class Clock;
class OwnKeyEvents;
class X11Display;

// The paste shortcut (Ctrl+V, Ctrl+Shift+V or Shift+Insert) through the XTEST extension. Every event is
// recorded in OwnKeyEvents before it is sent, so the key watcher knows it for ours.
class X11SyntheticKeys final : public SyntheticKeys {
public:
    X11SyntheticKeys(X11Display& display, OwnKeyEvents& own, Clock& clock);

    // False when there is no X display, no XTEST, no key code for one of the keys, or the server refused.
    bool postPaste(PasteKeys keys = PasteKeys::controlV) override;

private:
    X11Display& display_;
    OwnKeyEvents& own_;
    Clock& clock_;
};

} // namespace mivora
