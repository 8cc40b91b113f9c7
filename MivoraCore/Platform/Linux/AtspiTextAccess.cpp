#include "Platform/Linux/AtspiElement.h"

#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/AtspiSession.h"
#include "Platform/Linux/AtspiTextAccess.h"
#include "Platform/Linux/QtFocusedText.h"
#include "Platform/TextOffsets.h"
#include "Support/Text.h"

#include <QGuiApplication>
#include <QScreen>

#include <unistd.h>

namespace mivora {

namespace {

// Every character counts as a position, a U+FEFF at the start of the field too.
QString takeText(gchar* text) {
    const QString s = Text::fromUtf8(text ? text : "");
    g_free(text);
    return s;
}

class AtspiFocusedText final : public FocusedText {
public:
    AtspiFocusedText(std::unique_ptr<AtspiElement> element, AtspiSession& session)
        : element_(std::move(element)), session_(session), text_(textOf(element_->object(), session)) {}
    ~AtspiFocusedText() override {
        if (text_) g_object_unref(text_);
    }

    const AccessibleElement& element() const override { return *element_; }

    std::optional<Selection> selection() override {
        if (!text_) return std::nullopt;
        const AtspiSession::ShortTimeout timeout(session_, AtspiTextAccess::timeoutMs);
        GErrorHolder error;
        const int caret = atspi_text_get_caret_offset(text_, error.out());
        if (error || caret < 0) return std::nullopt;
        if (!readBefore(caret)) return std::nullopt;
        Selection selection{before_->size(), 0};
        GErrorHolder countError;
        if (atspi_text_get_n_selections(text_, countError.out()) > 0 && !countError) {
            GErrorHolder rangeError;
            AtspiRange* range = atspi_text_get_selection(text_, 0, rangeError.out());
            if (range && !rangeError && range->start_offset != range->end_offset) {
                GErrorHolder textError;
                const QString selected = takeText(
                    atspi_text_get_text(text_, range->start_offset, range->end_offset, textError.out()));
                selection.length = std::max<qsizetype>(1, selected.size());
                if (range->start_offset < caret)
                    selection.location = TextOffsets::position(*before_, range->start_offset);
            }
            if (range) g_free(range);
        }
        return selection;
    }

    std::optional<QString> text(qsizetype start, qsizetype end) override {
        if (!before_ || start < 0 || end < start || end > before_->size()) {
            const auto all = value();
            if (!all || end > all->size()) return std::nullopt;
            return all->mid(start, end - start);
        }
        return before_->mid(start, end - start);
    }

    std::optional<QString> value() override {
        if (!text_) return std::nullopt;
        const AtspiSession::ShortTimeout timeout(session_, AtspiTextAccess::timeoutMs);
        GErrorHolder error;
        const QString all = takeText(atspi_text_get_text(text_, 0, -1, error.out()));
        if (error) return std::nullopt;
        return all;
    }

    std::optional<QRectF> characterBounds(qsizetype position) override {
        if (!text_ || !before_ || position < 0 || position > before_->size()) return std::nullopt;
        const AtspiSession::ShortTimeout timeout(session_, AtspiTextAccess::timeoutMs);
        GErrorHolder error;
        AtspiRect* rect = atspi_text_get_character_extents(
            text_, TextOffsets::codePoints(before_->left(position)), ATSPI_COORD_TYPE_SCREEN, error.out());
        if (!rect || error) {
            if (rect) g_free(rect);
            return std::nullopt;
        }
        const QRectF bounds(rect->x, rect->y, rect->width, rect->height);
        g_free(rect);
        return bounds;
    }

private:
    static AtspiText* textOf(AtspiAccessible* object, AtspiSession& session) {
        const AtspiSession::ShortTimeout timeout(session, AtspiTextAccess::timeoutMs);
        return atspi_accessible_get_text_iface(object);
    }
    bool readBefore(int caret) {
        GErrorHolder error;
        before_ = takeText(atspi_text_get_text(text_, 0, caret, error.out()));
        if (error) before_.reset();
        return before_.has_value();
    }

    std::unique_ptr<AtspiElement> element_;
    // Each question waits the short time-out while it is asked, not while the field is held: a field held
    // across a wait leaves every other question of the program (a password check) its own time-out.
    AtspiSession& session_;
    AtspiText* text_;
    std::optional<QString> before_; // the text from the start of the field to the caret
};

} // namespace

TextAccess::Read AtspiTextAccess::focusedText(qint64 pid) {
    // Our own window in front (the practice fields): asked over the bus, we could not answer while we wait.
    if (pid == getpid()) {
        auto own = QtFocusedText::current();
        if (!own) return {nullptr, Accessibility::noValue};
        return {std::move(own), Accessibility::noError};
    }
    if (!session_.ready()) return {nullptr, Accessibility::apiDisabled};
    AtspiSession::ShortTimeout timeout(session_, timeoutMs);
    Accessibility::FocusRead read =
        pid > 0 ? accessibility_.focusedElementOnBus(pid) : accessibility_.focusedElementAnywhere();
    if (!read.element) return {nullptr, read.error};
    std::unique_ptr<AtspiElement> element(static_cast<AtspiElement*>(read.element.release()));
    return {std::make_unique<AtspiFocusedText>(std::move(element), session_), Accessibility::noError};
}

double AtspiTextAccess::firstScreenHeight() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? 0 : screens.first()->geometry().height();
}

void AtspiTextAccess::enableAccessibility() {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    if (!bus) {
        dbus_error_free(&error);
        return;
    }
    DBusMessage* message = dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus",
                                                        "org.freedesktop.DBus.Properties", "Set");
    if (message) {
        const char* interface = "org.a11y.Status";
        const char* property = "IsEnabled";
        const dbus_bool_t on = TRUE;
        DBusMessageIter args, variant;
        dbus_message_iter_init_append(message, &args);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &interface);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &property);
        dbus_message_iter_open_container(&args, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant);
        dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &on);
        dbus_message_iter_close_container(&args, &variant);
        dbus_message_set_no_reply(message, TRUE);
        // Sent without waiting: the main thread must not block on the bus.
        dbus_connection_send(bus, message, nullptr);
        dbus_connection_flush(bus);
        dbus_message_unref(message);
    }
    dbus_connection_unref(bus);
}

} // namespace mivora
