#include "Platform/Linux/StaleSelectionRequests.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
// Xlib's macros clash with Qt names: include it last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace mivora {

StaleSelectionRequests::StaleSelectionRequests() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) return;
    clipboard_ = XInternAtom(x11->display(), "CLIPBOARD", False);
    primary_ = XA_PRIMARY;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

StaleSelectionRequests::~StaleSelectionRequests() {
    if (clipboard_ != 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool StaleSelectionRequests::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST) return false;
    // Qt reads the same event after the filters: the request it answers is stamped "now".
    auto* request = static_cast<xcb_selection_request_event_t*>(message);
    if (request->selection == clipboard_ || request->selection == primary_) request->time = XCB_CURRENT_TIME;
    return false;
}

} // namespace mivora
