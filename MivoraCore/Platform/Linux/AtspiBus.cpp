#include <atspi/atspi.h>

#include "Platform/Linux/AtspiBus.h"

#include "Platform/Linux/AtspiSession.h"

namespace mivora {

bool AtspiBus::answers() {
    if (!session_.ready()) return false;
    // Without a bus address no request may be made; the library looks for one again on each call.
    if (!atspi_get_a11y_bus()) return false;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop) return false;
    GError* error = nullptr;
    const int children = atspi_accessible_get_child_count(desktop, &error);
    g_object_unref(desktop);
    if (error) {
        g_error_free(error);
        return false;
    }
    return children >= 0;
}

} // namespace mivora
