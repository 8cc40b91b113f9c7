#pragma once

#include "Platform/FrontApplication.h"

namespace mivora {

// The front application on X11: the window named by the window manager's _NET_ACTIVE_WINDOW (or, without
// a window manager, the window holding the input focus); its identifier is the class part of WM_CLASS
// (the instance part when the class is empty), its process id comes from _NET_WM_PID.
class X11FrontApplication final : public FrontApplication {
public:
    static X11FrontApplication& shared();
    std::optional<FrontApp> current() override;
};

} // namespace mivora
