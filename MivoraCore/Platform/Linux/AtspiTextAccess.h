#pragma once

#include "Platform/TextAccess.h"

namespace mivora {

class AtspiAccessibility;
class AtspiSession;

// The focused text field over AT-SPI 2. Every call waits at most `timeoutMs` for the application.
// AT-SPI counts text offsets in code points; the field converts them to UTF-16 positions from the text
// before the caret, which it reads once. The focused field of our own process is read in the process itself
// (`QtFocusedText`).
//
// The desktop-wide switch is org.a11y.Status.IsEnabled on the accessibility bus launcher. GTK and Qt
// applications started after it is on expose their widgets (Qt also with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1);
// Chromium-family browsers and Electron applications read it only at start-up, and otherwise need
// --force-renderer-accessibility (Electron also ACCESSIBILITY_ENABLED=1) to expose their text fields.
class AtspiTextAccess final : public TextAccess {
public:
    static constexpr int timeoutMs = 150;

    AtspiTextAccess(AtspiAccessibility& accessibility, AtspiSession& session)
        : accessibility_(accessibility), session_(session) {}

    Read focusedText(qint64 pid) override;
    void enableAccessibility() override;
    double firstScreenHeight() override;

private:
    AtspiAccessibility& accessibility_;
    AtspiSession& session_;
};

} // namespace mivora
