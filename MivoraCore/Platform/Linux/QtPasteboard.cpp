#include "Platform/Linux/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdint>
#include <cstdlib>
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
    targets_ = XInternAtom(x11->display(), "TARGETS", False);
    timestamp_ = XInternAtom(x11->display(), "TIMESTAMP", False);
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

bool QtPasteboard::whenTaken(std::function<void()> taken) {
    if (selection_ == 0 || !fromFront_) return false;
    taken_ = std::move(taken);
    return true;
}

bool QtPasteboard::stillOurs() const {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (selection_ == 0 || !x11 || !x11->connection()) return true;
    xcb_connection_t* connection = x11->connection();
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, xcb_atom_t(selection_)), nullptr);
    if (!reply) return true;
    const xcb_window_t owner = reply->owner;
    free(reply);
    // The server hands this connection its own range of window identifiers: the owner is one of our windows
    // when its high bits are ours.
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const std::uint32_t clientBits = ~setup->resource_id_mask;
    return owner != XCB_NONE && (owner & clientBits) == (setup->resource_id_base & clientBits);
}

bool QtPasteboard::keepFromOthers() {
    if (selection_ == 0 || !fromFront_) return false;
    kept_ = true;
    return true;
}

bool QtPasteboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if ((!asked_ && !taken_ && !kept_) || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST) return false;
    const auto* request = static_cast<const xcb_selection_request_event_t*>(message);
    if (request->selection != selection_) return false;
    const bool front = fromFront_(request->requestor);
    if (kept_ && !front) {
        answerOther(request); // and Qt never answers
        return true;
    }
    // Qt answers the request after this filter: call back once that answer has gone out.
    if (asked_ && front) QMetaObject::invokeMethod(this, std::exchange(asked_, {}), Qt::QueuedConnection);
    if (taken_ && front && offers(request->target))
        QMetaObject::invokeMethod(this, std::exchange(taken_, {}), Qt::QueuedConnection);
    return false;
}

bool QtPasteboard::offers(unsigned long target) const {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11->connection();
    xcb_get_atom_name_reply_t* reply =
        xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, xcb_atom_t(target)), nullptr);
    if (!reply) return false;
    const QString name =
        QString::fromLatin1(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    free(reply);
    const QMimeData* md = QGuiApplication::clipboard()->mimeData(mode_);
    if (!md) return false;
    // Qt answers a text under the X11 names of text too; any other name (GTK asks for
    // "text/plain;charset=utf-8" first) only when it was written under it.
    static const QStringList textNames = {"UTF8_STRING", "STRING", "TEXT", "COMPOUND_TEXT"};
    return md->formats().contains(name) || (md->hasText() && textNames.contains(name));
}

void QtPasteboard::answerOther(const void* message) const {
    const auto* request = static_cast<const xcb_selection_request_event_t*>(message);
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11->connection();
    xcb_selection_notify_event_t answer{};
    answer.response_type = XCB_SELECTION_NOTIFY;
    answer.time = request->time;
    answer.requestor = request->requestor;
    answer.selection = request->selection;
    answer.target = request->target;
    answer.property = XCB_NONE;
    if (request->target == targets_) {
        // A list of types with no data type in it: GPaste and Diodon keep nothing, and they leave the
        // clipboard alone (a refusal of the list would make them put their newest entry back).
        const xcb_atom_t property = request->property != XCB_NONE ? request->property : request->target;
        const xcb_atom_t types[] = {xcb_atom_t(targets_), xcb_atom_t(timestamp_)};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM,
                            32, 2, types);
        answer.property = property;
    }
    char event32[32] = {}; // the server takes every event sent as 32 bytes
    static_assert(sizeof(answer) <= sizeof(event32));
    std::memcpy(event32, &answer, sizeof(answer));
    xcb_send_event(connection, false, request->requestor, XCB_EVENT_MASK_NO_EVENT, event32);
    xcb_flush(connection);
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
    asked_ = nullptr; // they waited for requests for what is replaced now
    taken_ = nullptr;
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
