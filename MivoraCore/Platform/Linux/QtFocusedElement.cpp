// AT-SPI's GLib headers come before Qt's, whose keyword macros ("signals") would clash with them.
#include <atspi/atspi.h>

#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/QtFocusedElement.h"

#include <QAccessible>
#include <QGuiApplication>

namespace mivora {

std::unique_ptr<QtFocusedElement> QtFocusedElement::current() {
    QObject* focus = QGuiApplication::focusObject();
    QAccessibleInterface* face = focus ? QAccessible::queryAccessibleInterface(focus) : nullptr;
    if (!face || !face->isValid()) return nullptr;
    const QAccessible::State state = face->state();
    std::unique_ptr<QtFocusedElement> element(new QtFocusedElement);
    element->hasText_ = face->textInterface() != nullptr;
    element->password_ = state.passwordEdit;
    // Qt's own bridge calls text editable unless it is read-only.
    element->editable_ = state.editable || (face->role() == QAccessible::EditableText && !state.readOnly);
    int role = ATSPI_ROLE_UNKNOWN;
    switch (face->role()) {
    case QAccessible::EditableText:
        role = state.passwordEdit ? ATSPI_ROLE_PASSWORD_TEXT : ATSPI_ROLE_TEXT;
        break;
    case QAccessible::ComboBox:
        role = ATSPI_ROLE_COMBO_BOX;
        break;
    case QAccessible::Slider:
        role = ATSPI_ROLE_SLIDER;
        break;
    default:
        break;
    }
    element->role_ = AtspiAccessibility::roleName(role, state.multiLine, element->editable_);
    return element;
}

} // namespace mivora
