// AT-SPI's GLib headers come before Qt's, whose keyword macros ("signals") would clash with them.
#include "Platform/Linux/AtspiElement.h"

#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/AtspiSession.h"
#include "Platform/Linux/QtFocusedElement.h"

#include <algorithm>
#include <unistd.h>

namespace mivora {

namespace {

constexpr int maxVisited = 4000; // elements looked at in one search, so a huge tree cannot stall us
constexpr int maxChildren = 500; // children looked at under one element

// Depth-first search for the element with the FOCUSED state. Returns a new reference or nullptr; `failed`
// is set when the application stopped answering.
AtspiAccessible* findFocused(AtspiAccessible* node, int depth, int& visited, bool& failed) {
    if (++visited > maxVisited || failed) return nullptr;
    AtspiStateSet* states = atspi_accessible_get_state_set(node);
    if (!states) return nullptr;
    const bool focused = atspi_state_set_contains(states, ATSPI_STATE_FOCUSED);
    const bool hidden = depth > 0 && !atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    const bool managed = atspi_state_set_contains(states, ATSPI_STATE_MANAGES_DESCENDANTS);
    g_object_unref(states);
    if (focused) return static_cast<AtspiAccessible*>(g_object_ref(node));
    if (hidden || managed) return nullptr;

    GErrorHolder error;
    const int count = atspi_accessible_get_child_count(node, error.out());
    if (error) {
        failed = true;
        return nullptr;
    }
    for (int i = 0; i < std::min(count, maxChildren); ++i) {
        GErrorHolder childError;
        AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, childError.out());
        if (childError) {
            failed = true;
            return nullptr;
        }
        if (!child) continue;
        AtspiAccessible* found = findFocused(child, depth + 1, visited, failed);
        g_object_unref(child);
        if (found || failed) return found;
    }
    return nullptr;
}

// Calls `visit` for every application on the desktop except this process, with its process id, until it
// returns true. False when the desktop cannot be read.
template <typename Visit> bool forEachApplication(Visit visit) {
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop) return false;
    GErrorHolder error;
    const int count = atspi_accessible_get_child_count(desktop, error.out());
    if (error) {
        g_object_unref(desktop);
        return false;
    }
    const qint64 self = getpid();
    for (int i = 0; i < count; ++i) {
        GErrorHolder childError;
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, childError.out());
        if (childError || !app) continue;
        GErrorHolder pidError;
        const qint64 pid = atspi_accessible_get_process_id(app, pidError.out());
        const bool stop = !pidError && pid != self && visit(app, pid);
        g_object_unref(app);
        if (stop) break;
    }
    g_object_unref(desktop);
    return true;
}

} // namespace

Accessibility::FocusRead AtspiAccessibility::focusedElement(qint64 pid) {
    if (pid == getpid()) {
        auto own = QtFocusedElement::current();
        if (!own) return {nullptr, noValue};
        return {std::move(own), noError};
    }
    return focusedElementOnBus(pid);
}

Accessibility::FocusRead AtspiAccessibility::focusedElementOnBus(qint64 pid) {
    if (!session_.ready()) return {nullptr, apiDisabled};
    FocusRead result{nullptr, noValue};
    bool seen = false;
    const bool readable = forEachApplication([&](AtspiAccessible* app, qint64 appPid) {
        if (appPid != pid) return false;
        seen = true;
        int visited = 0;
        bool failed = false;
        if (AtspiAccessible* found = findFocused(app, 0, visited, failed))
            result = {std::make_unique<AtspiElement>(found), noError};
        else
            result.error = failed ? cannotComplete : noValue;
        return true;
    });
    if (!readable) return {nullptr, apiDisabled};
    if (!seen) result.error = cannotComplete; // the application is not on the accessibility bus
    return result;
}

Accessibility::FocusRead AtspiAccessibility::focusedElementAnywhere() {
    if (!session_.ready()) return {nullptr, apiDisabled};
    FocusRead result{nullptr, noValue};
    bool anyFailed = false;
    const bool readable = forEachApplication([&](AtspiAccessible* app, qint64) {
        int visited = 0;
        bool failed = false;
        if (AtspiAccessible* found = findFocused(app, 0, visited, failed)) {
            result = {std::make_unique<AtspiElement>(found), noError};
            return true;
        }
        anyFailed = anyFailed || failed;
        return false;
    });
    if (!readable) return {nullptr, apiDisabled};
    if (!result.element && anyFailed) result.error = cannotComplete;
    return result;
}

QString AtspiAccessibility::roleName(int atspiRole, bool multiLine, bool editable) {
    switch (atspiRole) {
    case ATSPI_ROLE_TEXT:
        if (!editable) return QStringLiteral("AXStaticText");
        return multiLine ? QStringLiteral("AXTextArea") : QStringLiteral("AXTextField");
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_PASSWORD_TEXT:
    case ATSPI_ROLE_EDITBAR:
        return editable ? QStringLiteral("AXTextField") : QStringLiteral("AXStaticText");
    case ATSPI_ROLE_COMBO_BOX:
        return QStringLiteral("AXComboBox");
    case ATSPI_ROLE_SLIDER:
        return QStringLiteral("AXSlider");
    case ATSPI_ROLE_INVALID:
        return QStringLiteral("?");
    default:
        break;
    }
    gchar* name = atspi_role_get_name(AtspiRole(atspiRole));
    const QString role = name && *name ? QString::fromUtf8(name) : QStringLiteral("?");
    g_free(name);
    return role;
}

} // namespace mivora
