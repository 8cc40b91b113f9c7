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
    AtspiAccessible* object() const { return object_; }

private:
    bool has(AtspiStateType state) const { return states_ && atspi_state_set_contains(states_, state); }
    AtspiAccessible* object_;
    AtspiRole role_ = ATSPI_ROLE_INVALID;
    AtspiStateSet* states_ = nullptr;
    bool hasText_ = false;
};

} // namespace mivora
