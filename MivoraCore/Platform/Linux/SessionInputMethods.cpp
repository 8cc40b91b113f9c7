#include "Platform/Linux/SessionInputMethods.h"

#include <QFile>

#include <dbus/dbus.h>

#include <memory>

namespace mivora {

namespace {

constexpr int maxProcesses = 64;

QByteArray frameworkOf(const QByteArray& value) {
    const QByteArray v = value.toLower();
    if (v.contains("ibus")) return "ibus";
    if (v.contains("fcitx")) return "fcitx";
    return {};
}

struct MessageUnref {
    void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// The reply to a call on the session bus, nothing when there is none within the time-out.
Message call(DBusConnection* bus, const char* service, const char* path, const char* interface,
             const char* method, const char* argument) {
    Message message(dbus_message_new_method_call(service, path, interface, method));
    if (!message) return nullptr;
    if (argument && !dbus_message_append_args(message.get(), DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID))
        return nullptr;
    DBusError error;
    dbus_error_init(&error);
    Message reply(dbus_connection_send_with_reply_and_block(bus, message.get(),
                                                            SessionInputMethods::timeoutMs, &error));
    dbus_error_free(&error);
    return reply;
}

// Whether a service holds its name on the bus; nothing when the bus did not say.
std::optional<bool> hasOwner(DBusConnection* bus, const char* name) {
    const Message reply =
        call(bus, DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "NameHasOwner", name);
    dbus_bool_t owned = FALSE;
    if (!reply || !dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_BOOLEAN, &owned, DBUS_TYPE_INVALID))
        return std::nullopt;
    return owned != FALSE;
}

} // namespace

QByteArray SessionInputMethods::framework(const QByteArray& environment) {
    QByteArray gtk, qt, x;
    for (const QByteArray& entry : environment.split('\0')) {
        if (entry.startsWith("GTK_IM_MODULE="))
            gtk = entry.mid(14);
        else if (entry.startsWith("QT_IM_MODULE="))
            qt = entry.mid(13);
        else if (entry.startsWith("XMODIFIERS="))
            x = entry.mid(11);
    }
    // A toolkit's own setting decides for it; the X setting only where no toolkit has one.
    if (!gtk.isEmpty() || !qt.isEmpty()) {
        const QByteArray viaGtk = frameworkOf(gtk);
        return viaGtk.isEmpty() ? frameworkOf(qt) : viaGtk;
    }
    const qsizetype at = x.indexOf("@im=");
    return at < 0 ? QByteArray() : frameworkOf(x.mid(at + 4));
}

bool SessionInputMethods::composesFor(qint64 pid) {
    if (pid <= 0) return false;
    auto known = frameworks_.constFind(pid);
    if (known == frameworks_.constEnd()) {
        if (frameworks_.size() >= maxProcesses) frameworks_.clear();
        QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
        // Another user's process cannot be read: nothing is known of it.
        const QByteArray environment = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        known = frameworks_.insert(pid, framework(environment));
    }
    const QByteArray& name = *known;
    if (name.isEmpty()) return false;

    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    dbus_error_free(&error);
    if (!bus) return false;
    const std::shared_ptr<DBusConnection> held(bus, dbus_connection_unref);
    // The application was started to type through it: a bus that does not answer in time (a busy machine)
    // leaves it in use, so that a take over a composition is never counted as landed unseen.
    if (name == "ibus") return hasOwner(bus, "org.freedesktop.IBus").value_or(true);
    if (hasOwner(bus, "org.fcitx.Fcitx5") == false) return false;
    // 1: switched off (letters go straight through), 0: no field typing through it; 2 or no answer: on.
    const Message reply =
        call(bus, "org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1", "State", nullptr);
    dbus_int32_t state = 2;
    if (reply) dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_INT32, &state, DBUS_TYPE_INVALID);
    return state != 0 && state != 1;
}

} // namespace mivora
