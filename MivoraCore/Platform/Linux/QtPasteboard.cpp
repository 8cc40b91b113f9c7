#include "Platform/Linux/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstring>

#include <xcb/xcb.h>
// Xlib's macros clash with Qt names: include it last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace mivora {

QtPasteboard::QtPasteboard(QClipboard::Mode mode, FromFront fromFront, QObject* parent)
    : QObject(parent), mode_(mode), fromFront_(std::move(fromFront)) {
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode changed) {
        if (changed != mode_) return;
        ++changes_;
        if (!owned()) kept_ = false; // another program's contents now
    });
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) return;
    if (mode_ == QClipboard::Selection)
        selection_ = XA_PRIMARY;
    else if (mode_ == QClipboard::Clipboard)
        selection_ = XInternAtom(x11->display(), "CLIPBOARD", False);
    if (selection_ != 0) QCoreApplication::instance()->installNativeEventFilter(this);
}

QtPasteboard::~QtPasteboard() {
    if (kept_ && qGuiApp && owned()) QGuiApplication::clipboard()->clear(mode_);
}

bool QtPasteboard::owned() const {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return mode_ == QClipboard::Selection ? clipboard->ownsSelection() : clipboard->ownsClipboard();
}

bool QtPasteboard::whenFirstAsked(std::function<void()> asked) {
    if (selection_ == 0 || !fromFront_) return false;
    asked_ = std::move(asked);
    return true;
}

bool QtPasteboard::keepFromOthers() {
    if (selection_ == 0 || !fromFront_) return false;
    kept_ = true;
    return true;
}

bool QtPasteboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if ((!asked_ && !kept_) || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST) return false;
    const auto* request = static_cast<const xcb_selection_request_event_t*>(message);
    if (request->selection != selection_) return false;
    const bool front = fromFront_(request->requestor);
    if (kept_ && !front) {
        // Refused: the requestor hears at once that there is nothing for it, and Qt never answers.
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_selection_notify_event_t refusal{};
        refusal.response_type = XCB_SELECTION_NOTIFY;
        refusal.time = request->time;
        refusal.requestor = request->requestor;
        refusal.selection = request->selection;
        refusal.target = request->target;
        refusal.property = XCB_NONE;
        char event32[32] = {}; // the server takes every event sent as 32 bytes
        static_assert(sizeof(refusal) <= sizeof(event32));
        std::memcpy(event32, &refusal, sizeof(refusal));
        xcb_send_event(x11->connection(), false, request->requestor, XCB_EVENT_MASK_NO_EVENT, event32);
        xcb_flush(x11->connection());
        return true;
    }
    // Qt answers the request after this filter: call back once that answer has gone out.
    if (asked_ && front) QMetaObject::invokeMethod(this, std::exchange(asked_, {}), Qt::QueuedConnection);
    return false;
}

int QtPasteboard::itemCount() const {
    return types(0).isEmpty() ? 0 : 1;
}

namespace {
// Names Qt lists among the formats that are not data: the X11 selection protocol's own targets, and
// Qt's alias for an image that the owner also offers under its real image types.
bool isData(const QString& format) {
    static const QStringList notData = {
        "TARGETS", "MULTIPLE",         "TIMESTAMP",       "SAVE_TARGETS",
        "DELETE",  "INSERT_SELECTION", "INSERT_PROPERTY", "application/x-qt-image"};
    return !notData.contains(format);
}
} // namespace

QStringList QtPasteboard::types(int item) const {
    const QMimeData* md = QGuiApplication::clipboard()->mimeData(mode_);
    if (item != 0 || !md) return {};
    QStringList formats = md->formats();
    formats.removeIf([](const QString& f) { return !isData(f); });
    return formats;
}

std::optional<QByteArray> QtPasteboard::data(int item, const QString& type) const {
    const QMimeData* md = QGuiApplication::clipboard()->mimeData(mode_);
    if (item != 0 || !md || !md->hasFormat(type)) return std::nullopt;
    QByteArray bytes = md->data(type);
    // A foreign owner that fails to convert a type answers with nothing; treat that as not having it.
    if (bytes.isEmpty()) return std::nullopt;
    return bytes;
}

void QtPasteboard::write(const std::vector<Item>& items) {
    asked_ = nullptr; // it waited for requests for what is replaced now
    kept_ = false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (items.empty()) {
        clipboard->clear(mode_);
        return;
    }
    // The X11 clipboard holds a single item; a second item has nowhere to go.
    auto* md = new QMimeData;
    for (const auto& [type, bytes] : items.front())
        md->setData(type, bytes);
    clipboard->setMimeData(md, mode_);
}

} // namespace mivora
