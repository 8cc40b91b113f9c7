#include <atspi/atspi.h>

#include "Platform/Linux/AtspiBus.h"

#include "Platform/Linux/AtspiSession.h"

#include <QElapsedTimer>

namespace mivora {

bool AtspiBus::answers() {
    std::optional<bool> said = ask();
    // Nothing known yet (the start's own lines read this): a late first answer is asked again at once.
    if (!said && !answer_.known()) said = ask();
    return answer_.take(said);
}

std::optional<bool> AtspiBus::ask() {
    if (!session_.ready()) return false;
    // Without a bus address no request may be made; the library looks for one again on each call.
    if (!atspi_get_a11y_bus()) return false;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop) return false;
    QElapsedTimer asked;
    asked.start();
    GError* error = nullptr;
    const int children = atspi_accessible_get_child_count(desktop, &error);
    g_object_unref(desktop);
    if (error) {
        g_error_free(error);
        // A refusal comes at once; a failure that took the whole time-out is a registry that was late.
        if (asked.elapsed() >= AtspiSession::timeoutMs * 9 / 10) return std::nullopt;
        return false;
    }
    return children >= 0;
}

} // namespace mivora
