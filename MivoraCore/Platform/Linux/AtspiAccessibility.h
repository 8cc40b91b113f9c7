#pragma once

#include "Platform/Accessibility.h"

namespace mivora {

class AtspiSession;

// Focus reading over AT-SPI 2, within the session's short time-out. The focused element is found by
// walking the application's tree for the FOCUSED state, skipping hidden windows, hidden elements where the
// toolkit marks what shows (GTK 4 marks only its windows), and the children of containers that manage
// their own descendants. It is the element that takes the keys: any other focused element comes before a
// focused tab (Qt marks the current tab of a tab bar focused beside the editor that has the keys), which
// is taken only when nothing else is focused. Our own process is never asked over the bus, since it could
// not answer while it waits: its focus is read from its own widgets.
class AtspiAccessibility final : public Accessibility {
public:
    explicit AtspiAccessibility(AtspiSession& session) : session_(session) {}

    FocusRead focusedElement(qint64 pid) override;
    FocusRead focusedElementAnywhere() override;
    // The focused element of another process, read over the bus (an AtspiElement when found).
    FocusRead focusedElementOnBus(qint64 pid);

    // The program's role name for an AT-SPI role: editable text roles become "AXTextField" (single-line
    // text, entries, password text, edit bars) or "AXTextArea" (multi-line text); the same roles without
    // the EDITABLE state (a read-only text view, where a paste goes nowhere) "AXStaticText"; combo boxes
    // "AXComboBox", sliders "AXSlider"; any other role keeps its AT-SPI name ("push button"); "?" for
    // none.
    static QString roleName(int atspiRole, bool multiLine, bool editable);

private:
    AtspiSession& session_;
};

} // namespace mivora
