#include "Platform/Linux/Compositing.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace mivora {

bool compositing() {
    // A compositing manager owns the _NET_WM_CM_Sn selection of the screen it draws.
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.constData(), False);
    return selection != None && XGetSelectionOwner(display, selection) != None;
}

} // namespace mivora
