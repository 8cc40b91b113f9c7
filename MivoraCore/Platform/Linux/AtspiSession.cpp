// AT-SPI's GLib headers come before Qt's, whose keyword macros ("signals") would clash with them.
#include <atspi/atspi.h>

#include "Platform/Linux/AtspiSession.h"

#include <QDir>
#include <QFileInfo>

namespace mivora {

bool AtspiSession::ready() {
    if (ready_) return true;
    // Without a session bus, libdbus would try to start one (X11 autolaunch); treat that as no bus.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const bool bus = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
                     (!runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath("bus")));
    if (!bus || atspi_init() > 1) return false; // 1: the library was already set up
    atspi_set_timeout(timeoutMs, timeoutMs);
    ready_ = true;
    return true;
}

AtspiSession::ShortTimeout::ShortTimeout(AtspiSession& session, int ms) : session_(session) {
    if (session_.shortened_++ > 0) return;
    session_.shortMs_ = ms;
    atspi_set_timeout(ms, ms);
}

AtspiSession::ShortTimeout::~ShortTimeout() {
    if (--session_.shortened_ == 0) atspi_set_timeout(timeoutMs, timeoutMs);
}

} // namespace mivora
