#include "Platform/Linux/AtspiElement.h"

#include "Platform/Linux/AtspiAccessibility.h"

namespace mivora {

AtspiElement::AtspiElement(AtspiAccessible* object) : object_(object) {
    GErrorHolder error;
    role_ = atspi_accessible_get_role(object_, error.out());
    if (error) role_ = ATSPI_ROLE_INVALID;
    states_ = atspi_accessible_get_state_set(object_);
    AtspiText* text = atspi_accessible_get_text_iface(object_);
    hasText_ = text != nullptr;
    if (text) g_object_unref(text);
}

AtspiElement::~AtspiElement() {
    if (states_) g_object_unref(states_);
    g_object_unref(object_);
}

std::unique_ptr<AccessibleElement> AtspiElement::stillFocused() const {
    AtspiStateSet* states = atspi_accessible_get_state_set(object_); // null when the application is gone
    if (!states) return nullptr;
    if (!atspi_state_set_contains(states, ATSPI_STATE_FOCUSED) ||
        atspi_state_set_contains(states, ATSPI_STATE_DEFUNCT)) {
        g_object_unref(states);
        return nullptr;
    }
    return std::unique_ptr<AccessibleElement>(
        new AtspiElement(static_cast<AtspiAccessible*>(g_object_ref(object_)), role_, states, hasText_));
}

QString AtspiElement::role() const {
    if (role_ == ATSPI_ROLE_INVALID) return QStringLiteral("?");
    return AtspiAccessibility::roleName(role_, has(ATSPI_STATE_MULTI_LINE), has(ATSPI_STATE_EDITABLE));
}

} // namespace mivora
