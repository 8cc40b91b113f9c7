// AT-SPI's GLib headers come before Qt's, whose keyword macros ("signals") would clash with them.
#include "Platform/Linux/AtspiElement.h"

#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/AtspiSession.h"
#include "Platform/Linux/QtFocusedElement.h"

#include <algorithm>
#include <unistd.h>
#include <utility>
#include <vector>

namespace mivora {

namespace {

constexpr int maxVisited = 4000; // elements looked at in one search, so a huge tree cannot stall us
constexpr int maxChildren = 500; // children looked at under one element

// What one search has looked at so far.
struct Search {
    int visited = 0;
    bool failed = false; // the application stopped answering
    // A focused tab met on the way. Qt marks the current tab of a tab bar focused while the editor below
    // it has the keys: the tab is taken only when no other focused element turns up.
    AtspiAccessible* tab = nullptr;
    ~Search() {
        if (tab) g_object_unref(tab);
    }
};

// One child with the states it had when it was looked at; owns both references.
struct Child {
    AtspiAccessible* object = nullptr;
    AtspiStateSet* states = nullptr;
    bool has(AtspiStateType state) const { return atspi_state_set_contains(states, state); }
};

bool isTab(AtspiAccessible* object) {
    GErrorHolder error;
    return atspi_accessible_get_role(object, error.out()) == ATSPI_ROLE_PAGE_TAB && !error;
}

// Searches below `node` for the element with the FOCUSED state: its children first, then their subtrees
// in order. Returns a new reference or nullptr. A focused tab is kept in `search` instead while the search
// goes on, below the tab too (GTK holds a notebook's page below its tab). Hidden elements are passed over,
// which keeps the search short in a large tree: windows of the application (`windows`) that are not
// "showing", and below them an element that is not "showing" while a sibling is. A toolkit that marks only
// its windows "showing" (GTK 4) leaves every sibling unmarked, and then all of them are searched. The
// children of containers that manage their own descendants (a long list) are passed over too.
AtspiAccessible* findFocusedBelow(AtspiAccessible* node, bool windows, Search& search) {
    GErrorHolder error;
    const int count = atspi_accessible_get_child_count(node, error.out());
    if (error) {
        search.failed = true;
        return nullptr;
    }
    std::vector<Child> children;
    AtspiAccessible* found = nullptr;
    bool anyShowing = false;
    for (int i = 0; i < std::min(count, maxChildren) && !found && ++search.visited <= maxVisited; ++i) {
        GErrorHolder childError;
        AtspiAccessible* object = atspi_accessible_get_child_at_index(node, i, childError.out());
        if (childError) {
            if (object) g_object_unref(object);
            search.failed = true;
            break;
        }
        if (!object) continue;
        AtspiStateSet* states = atspi_accessible_get_state_set(object);
        if (!states) {
            g_object_unref(object);
            continue;
        }
        const Child& child = children.emplace_back(Child{object, states});
        anyShowing = anyShowing || child.has(ATSPI_STATE_SHOWING);
        if (!child.has(ATSPI_STATE_FOCUSED)) continue;
        if (!isTab(object))
            found = static_cast<AtspiAccessible*>(g_object_ref(object));
        else if (!search.tab)
            search.tab = static_cast<AtspiAccessible*>(g_object_ref(object));
    }
    const bool skipHidden = windows || anyShowing;
    for (const Child& child : children) {
        if (found || search.failed || search.visited > maxVisited) break;
        if (child.has(ATSPI_STATE_MANAGES_DESCENDANTS)) continue;
        if (skipHidden && !child.has(ATSPI_STATE_SHOWING)) continue;
        found = findFocusedBelow(child.object, false, search);
    }
    for (const Child& child : children) {
        g_object_unref(child.states);
        g_object_unref(child.object);
    }
    return found;
}

// The focused element of an application (a new reference), or nullptr; `failed` is set when the
// application stopped answering.
AtspiAccessible* findFocused(AtspiAccessible* app, bool& failed) {
    AtspiStateSet* states = atspi_accessible_get_state_set(app);
    if (!states) return nullptr;
    const bool focused = atspi_state_set_contains(states, ATSPI_STATE_FOCUSED);
    g_object_unref(states);
    if (focused) return static_cast<AtspiAccessible*>(g_object_ref(app));
    Search search;
    AtspiAccessible* found = findFocusedBelow(app, true, search);
    if (!found) found = std::exchange(search.tab, nullptr);
    failed = search.failed;
    return found;
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
        bool failed = false;
        if (AtspiAccessible* found = findFocused(app, failed))
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
        bool failed = false;
        if (AtspiAccessible* found = findFocused(app, failed)) {
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
