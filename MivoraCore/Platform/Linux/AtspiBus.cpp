#include "Platform/Linux/AtspiBus.h"

#include <atspi/atspi.h>

namespace mivora {

namespace {
constexpr int timeoutMs = 250; // a bus that takes longer is as good as absent for reading the focus
} // namespace

AccessibilityBus& AccessibilityBus::desktop() {
    static AtspiBus bus;
    return bus;
}

bool AtspiBus::answers() {
    atspi_init();
    atspi_set_timeout(timeoutMs, timeoutMs);
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
