#include "Platform/Linux/StaleSelectionRequests.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
// Xlib's macros clash with Qt names: include it last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace mivora {

namespace {

// The XFIXES extension's notice of a selection's new owner (its protocol layout; Qt asks for these notices
// for both selections).
struct OwnerChange {
    std::uint8_t responseType;
    std::uint8_t subtype;
    std::uint16_t sequence;
    std::uint32_t window;
    std::uint32_t owner;
    std::uint32_t selection;
    std::uint32_t timestamp;
    std::uint32_t selectionTimestamp; // the time the new owner gave when it took the selection
};

// Whether `a` is before `b` on the server's 32-bit millisecond clock, which wraps.
bool before(std::uint32_t a, std::uint32_t b) {
    return a != b && std::uint32_t(b - a) < 0x80000000u;
}

} // namespace

StaleSelectionRequests::StaleSelectionRequests() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) return;
    clipboard_ = std::uint32_t(XInternAtom(x11->display(), "CLIPBOARD", False));
    primary_ = XA_PRIMARY;
    int major = 0, firstEvent = 0, firstError = 0;
    if (!XQueryExtension(x11->display(), "XFIXES", &major, &firstEvent, &firstError)) return;
    ownerChanges_ = firstEvent; // XFixesSelectionNotify is the extension's first event
    QCoreApplication::instance()->installNativeEventFilter(this);
}

StaleSelectionRequests::~StaleSelectionRequests() {
    if (ownerChanges_ >= 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool StaleSelectionRequests::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const int type = event->response_type & 0x7f;
    if (type == ownerChanges_) {
        const auto* change = static_cast<const OwnerChange*>(message);
        if (change->selection == clipboard_) clipboardSince_ = change->selectionTimestamp;
        if (change->selection == primary_) primarySince_ = change->selectionTimestamp;
    } else if (type == XCB_SELECTION_REQUEST) {
        // Qt reads the same event after the filters: a request stamped before we took the selection is
        // answered as one made now.
        auto* request = static_cast<xcb_selection_request_event_t*>(message);
        const std::uint32_t since = request->selection == clipboard_ ? clipboardSince_
                                    : request->selection == primary_ ? primarySince_
                                                                     : 0;
        if (since != 0 && request->time != XCB_CURRENT_TIME && before(request->time, since))
            request->time = XCB_CURRENT_TIME;
    }
    return false;
}

} // namespace mivora
