#pragma once

#include "Platform/Accessibility.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

namespace mivora {

// The focused element of another application as a text field: its caret, its text and where its characters
// are on screen. Positions count UTF-16 units, whatever the accessibility interface counts.
class FocusedText {
public:
    struct Selection {
        qsizetype location = 0; // the caret, or the start of the selection
        qsizetype length = 0;   // 0 for a plain caret
    };

    virtual ~FocusedText() = default;
    virtual const AccessibleElement& element() const = 0;
    // Nothing when the element does not tell.
    virtual std::optional<Selection> selection() = 0;
    // The text between two positions; nothing when it cannot be read.
    virtual std::optional<QString> text(qsizetype start, qsizetype end) = 0;
    // The whole text of the field; nothing when it cannot be read.
    virtual std::optional<QString> value() = 0;
    // The screen rectangle of the character at a position as the desktop reports it: origin at the top
    // left of the first screen, y growing downwards. Nothing when it cannot be read.
    virtual std::optional<QRectF> characterBounds(qsizetype position) = 0;
};

// Reads the text field that has the keyboard focus, each call bounded by a short time-out.
class TextAccess {
public:
    struct Read {
        std::unique_ptr<FocusedText> field; // the focused element, when one was found
        Accessibility::Error error = Accessibility::noError;
    };

    virtual ~TextAccess() = default;
    // The focused element inside the application with this process id (anywhere when 0).
    virtual Read focusedText(qint64 pid) = 0;
    // Turns on the desktop-wide switch that asks applications to expose their accessibility tree. It is
    // left on. Applications that looked at it only when they started expose nothing until restarted.
    virtual void enableAccessibility() = 0;
    // The height of the first screen, whose top edge `characterBounds` is measured from; 0 without screens.
    virtual double firstScreenHeight() = 0;
};

// Accessibility interfaces give rectangles with the origin at the top left of the first screen; the
// program passes them with the origin at its bottom left. The flip is its own inverse.
inline QRectF flipScreenRect(const QRectF& rect, double screenHeight) {
    return {rect.x(), screenHeight - rect.y() - rect.height(), rect.width(), rect.height()};
}

} // namespace mivora
