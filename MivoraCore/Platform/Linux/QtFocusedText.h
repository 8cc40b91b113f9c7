#pragma once

#include "Platform/Linux/QtFocusedElement.h"
#include "Platform/TextAccess.h"

#include <QPointer>

class QAccessibleTextInterface;

namespace mivora {

// The focused text field of our own process, read from Qt's accessibility interfaces in the process itself,
// for the same reason as `QtFocusedElement`: over the bus we would wait for our own answer. Qt counts text
// positions in UTF-16 units and places characters in global coordinates, as `FocusedText` does. A field that
// goes away meanwhile reads as nothing.
class QtFocusedText final : public FocusedText {
public:
    // The widget with the keyboard focus in this process, or nothing when no widget has it.
    static std::unique_ptr<QtFocusedText> current();

    const AccessibleElement& element() const override { return *element_; }
    std::optional<Selection> selection() override;
    std::optional<QString> text(qsizetype start, qsizetype end) override;
    std::optional<QString> value() override;
    std::optional<QRectF> characterBounds(qsizetype position) override;

private:
    QtFocusedText(QObject* focus, std::unique_ptr<QtFocusedElement> element)
        : focus_(focus), element_(std::move(element)) {}
    QAccessibleTextInterface* textInterface() const;

    QPointer<QObject> focus_;
    std::unique_ptr<QtFocusedElement> element_;
};

} // namespace mivora
