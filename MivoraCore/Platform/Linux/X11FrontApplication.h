#pragma once

#include "Platform/FrontApplication.h"

namespace mivora {

class X11Display;

// The front application on X11: the window named by the window manager's _NET_ACTIVE_WINDOW (or, without
// a window manager, the window holding the input focus); its identifier is the class part of WM_CLASS
// (the instance part when the class is empty), its process id comes from _NET_WM_PID, and a terminal
// emulator's keys to paste with from either part of WM_CLASS (a process holding a pseudo-terminal's master
// side open is a terminal emulator too, pasting with Ctrl+Shift+V). Its front window is
// the topmost of its windows in the window manager's _NET_CLIENT_LIST_STACKING (without a window manager,
// among the root window's children, which are kept in stacking order).
class X11FrontApplication final : public FrontApplication {
public:
    explicit X11FrontApplication(X11Display& display) : display_(display) {}
    std::optional<FrontApp> current() override;
    std::optional<QRect> frontWindowFrame() override;
    // Whether an X window (the requestor of a clipboard request) belongs to the front application: it was
    // made by the same X client as the front window, or by the same process (_NET_WM_PID on it or an
    // ancestor).
    bool owns(unsigned long window);

private:
    X11Display& display_;
};

} // namespace mivora
