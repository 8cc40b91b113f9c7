#pragma once

#include <QString>

#include <memory>

namespace mivora {

// One element of another application's accessibility tree.
class AccessibleElement {
public:
    virtual ~AccessibleElement() = default;
    // The element's role in the names the rest of the program uses ("AXTextField", "AXSlider"...), or
    // "?" when it cannot be read.
    virtual QString role() const = 0;
    // Whether the selected text, or the value, can be changed by the user.
    virtual bool isSelectedTextSettable() const = 0;
    virtual bool isValueSettable() const = 0;
    // A text field that hides what is typed into it.
    virtual bool isPasswordText() const = 0;
    // This element read again now, when it still has the keyboard focus: a cheap check that an earlier
    // reading of the focus still holds. Nothing when the focus has left it, it is gone, or it cannot be
    // told more cheaply than by looking for the focus again.
    virtual std::unique_ptr<AccessibleElement> stillFocused() const { return nullptr; }
};

// Reading focus through the desktop's accessibility interface.
class Accessibility {
public:
    // Why no focused element could be read; the numbers appear in log lines.
    enum Error : int {
        noError = 0,
        cannotComplete = -25204, // the application did not answer in time, or the call failed
        apiDisabled = -25211,    // the accessibility bus is not available
        noValue = -25212,        // the application answered but has no focused element
    };

    struct FocusRead {
        std::unique_ptr<AccessibleElement> element; // the focused element, when one was found
        Error error = noError;                      // set when no element was found
    };

    virtual ~Accessibility() = default;
    // The focused element inside the application with this process id.
    virtual FocusRead focusedElement(qint64 pid) = 0;
    // The focused element wherever it is on the desktop.
    virtual FocusRead focusedElementAnywhere() = 0;
};

} // namespace mivora
