#pragma once

// AT-SPI's GLib headers come before Qt's, whose keyword macros ("signals") would clash with them: include
// this header first.
#include <atspi/atspi.h>

#include "Platform/Accessibility.h"

namespace mivora {

// Frees a GError that an AT-SPI call left.
struct GErrorHolder {
    GError* error = nullptr;
    ~GErrorHolder() {
        if (error) g_error_free(error);
    }
    GError** out() { return &error; }
    explicit operator bool() const { return error != nullptr; }
};

// One AT-SPI object with its role and states as read when it was found.
class AtspiElement final : public AccessibleElement {
public:
    explicit AtspiElement(AtspiAccessible* object); // takes the reference
    ~AtspiElement() override;
    AtspiElement(const AtspiElement&) = delete;
    AtspiElement& operator=(const AtspiElement&) = delete;

    QString role() const override;
    bool isSelectedTextSettable() const override { return hasText_ && has(ATSPI_STATE_EDITABLE); }
    bool isValueSettable() const override { return has(ATSPI_STATE_EDITABLE); }
    bool isPasswordText() const override { return role_ == ATSPI_ROLE_PASSWORD_TEXT; }
    // Asks the application for the object's states only: its role and interfaces stay what they were.
    std::unique_ptr<AccessibleElement> stillFocused() const override;
    AtspiAccessible* object() const { return object_; }

private:
    AtspiElement(AtspiAccessible* object, AtspiRole role, AtspiStateSet* states, bool hasText)
        : object_(object), role_(role), states_(states), hasText_(hasText) {}
    bool has(AtspiStateType state) const { return states_ && atspi_state_set_contains(states_, state); }
    AtspiAccessible* object_;
    AtspiRole role_ = ATSPI_ROLE_INVALID;
    AtspiStateSet* states_ = nullptr;
    bool hasText_ = false;
};

} // namespace mivora
