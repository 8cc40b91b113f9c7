#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <atspi/atspi.h>

#include <functional>
#include <optional>
#include <utility>

namespace mivora::test {

// One element of another program's accessible tree, released when it goes.
struct BusElement {
    AtspiAccessible* node = nullptr;
    BusElement() = default;
    explicit BusElement(AtspiAccessible* n) : node(n) {}
    BusElement(BusElement&& other) noexcept : node(std::exchange(other.node, nullptr)) {}
    BusElement& operator=(BusElement&& other) noexcept {
        std::swap(node, other.node);
        return *this;
    }
    ~BusElement() {
        if (node) g_object_unref(node);
    }
    explicit operator bool() const { return node; }

    QString name() const {
        gchar* n = atspi_accessible_get_name(node, nullptr);
        const QString out = QString::fromUtf8(n ? n : "");
        g_free(n);
        return out;
    }
    bool has(AtspiStateType state) const {
        if (!node) return false;
        AtspiStateSet* set = atspi_accessible_get_state_set(node);
        const bool yes = set && atspi_state_set_contains(set, state);
        if (set) g_object_unref(set);
        return yes;
    }
    // The text it holds, if it holds text.
    QString text() const {
        if (!node) return {};
        AtspiText* text = atspi_accessible_get_text_iface(node);
        if (!text) return {};
        gchar* t = atspi_text_get_text(text, 0, -1, nullptr);
        const QString out = QString::fromUtf8(t ? t : "");
        g_free(t);
        g_object_unref(text);
        return out;
    }
    AtspiRole role() const { return atspi_accessible_get_role(node, nullptr); }
    bool editable() const {
        AtspiEditableText* edit = atspi_accessible_get_editable_text_iface(node);
        if (edit) g_object_unref(edit);
        return edit;
    }
    bool setText(const QString& value) const {
        AtspiEditableText* edit = atspi_accessible_get_editable_text_iface(node);
        if (!edit) return false;
        const bool done = atspi_editable_text_set_text_contents(edit, value.toUtf8().constData(), nullptr);
        g_object_unref(edit);
        return done;
    }
    int childCount() const { return atspi_accessible_get_child_count(node, nullptr); }
    BusElement child(int i) const {
        return BusElement(atspi_accessible_get_child_at_index(node, i, nullptr));
    }
    // Where it is drawn, in screen coordinates (empty when it has no place).
    QRect extents() const {
        if (!node) return {};
        AtspiComponent* component = atspi_accessible_get_component_iface(node);
        if (!component) return {};
        AtspiRect* r = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr);
        g_object_unref(component);
        if (!r) return {};
        const QRect out(r->x, r->y, r->width, r->height);
        g_free(r);
        return out;
    }
    // The middle of where it is drawn, in screen coordinates (nothing when it has no place).
    std::optional<QPoint> middle() const {
        const QRect r = extents();
        return r.width() > 0 && r.height() > 0
                   ? std::optional(QPoint(r.x() + r.width() / 2, r.y() + r.height() / 2))
                   : std::nullopt;
    }
    bool press() const {
        AtspiAction* action = atspi_accessible_get_action_iface(node);
        if (!action) return false;
        const bool done = atspi_action_do_action(action, 0, nullptr);
        g_object_unref(action);
        return done;
    }
};

// The first element in the tree under `root` that `matches`.
inline BusElement findElement(const BusElement& root, const std::function<bool(const BusElement&)>& matches,
                              int depth = 0) {
    if (depth > 40) return {};
    if (matches(root)) return BusElement(static_cast<AtspiAccessible*>(g_object_ref(root.node)));
    for (int i = 0; i < root.childCount(); ++i) {
        const BusElement child = root.child(i);
        if (!child) continue;
        if (BusElement found = findElement(child, matches, depth + 1)) return found;
    }
    return {};
}

// The accessible application of process `pid`, if it has registered on the bus.
inline BusElement busApplication(qint64 pid) {
    const BusElement desktop(atspi_get_desktop(0));
    for (int i = 0; i < desktop.childCount(); ++i) {
        BusElement app = desktop.child(i);
        if (app && atspi_accessible_get_process_id(app.node, nullptr) == guint(pid)) return app;
    }
    return {};
}

// The first element of process `pid` that `matches`, or nothing.
inline BusElement findElement(qint64 pid, const std::function<bool(const BusElement&)>& matches) {
    const BusElement app = busApplication(pid);
    return app ? findElement(app, matches) : BusElement();
}

// An element of process `pid` named `name` whose state includes `state` (by default: showing), or nothing.
inline BusElement shown(qint64 pid, const QString& name, AtspiStateType state = ATSPI_STATE_SHOWING) {
    return findElement(pid, [&](const BusElement& e) { return e.name() == name && e.has(state); });
}

} // namespace mivora::test
