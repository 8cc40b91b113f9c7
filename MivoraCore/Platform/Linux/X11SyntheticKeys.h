#pragma once

#include "Platform/SyntheticKeys.h"
#include "Support/Clock.h"

namespace mivora {

// Ctrl+V through the XTEST extension. Every event is recorded in OwnKeyEvents before it is sent, so the
// key watcher knows it for ours.
class X11SyntheticKeys final : public SyntheticKeys {
public:
    explicit X11SyntheticKeys(Clock& clock = Clock::system());
    static X11SyntheticKeys& shared();

    // False when there is no X display, no XTEST, no key for Control_L or v, or the server refused.
    bool postPaste() override;

private:
    Clock& clock_;
};

} // namespace mivora
