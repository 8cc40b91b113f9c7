#pragma once

#include "Platform/Accessibility.h"

namespace mivora {

// Focus reading over AT-SPI 2. Every call to another application waits at most 0.25 s (instead of the
// library's 25 s). The focused element is found by walking the application's tree for the FOCUSED state,
// skipping hidden windows and the children of containers that manage their own descendants; our own
// process is never asked, since it could not answer while it waits.
class AtspiAccessibility final : public Accessibility {
public:
    static AtspiAccessibility& shared();

    FocusRead focusedElement(qint64 pid) override;
    FocusRead focusedElementAnywhere() override;

    // The program's role name for an AT-SPI role: the text roles become "AXTextField" (single-line text,
    // entries, password text, edit bars) or "AXTextArea" (multi-line text), combo boxes "AXComboBox",
    // sliders "AXSlider"; any other role keeps its AT-SPI name ("push button"); "?" for none.
    static QString roleName(int atspiRole, bool multiLine);

private:
    AtspiAccessibility() = default;
    bool ready();
    int initialised_ = -1; // -1 not tried, 0 unavailable, 1 ready
};

} // namespace mivora
