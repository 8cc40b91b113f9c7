#pragma once

#include "Platform/Accessibility.h"

namespace mivora {

// The focused widget of our own process, read from Qt's accessibility interfaces in the process itself:
// over the bus we would have to answer our own question while waiting for the answer. What it reports is
// read once, when it is made, and names roles as the bus reading does.
class QtFocusedElement final : public AccessibleElement {
public:
    // The element with the keyboard focus in this process, or nothing when no widget has it.
    static std::unique_ptr<QtFocusedElement> current();

    QString role() const override { return role_; }
    bool isSelectedTextSettable() const override { return hasText_ && editable_; }
    bool isValueSettable() const override { return editable_; }
    bool isPasswordText() const override { return password_; }

private:
    QtFocusedElement() = default;
    QString role_;
    bool hasText_ = false;
    bool editable_ = false;
    bool password_ = false;
};

} // namespace mivora
