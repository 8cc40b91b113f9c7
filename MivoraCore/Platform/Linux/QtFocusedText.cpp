#include "Platform/Linux/QtFocusedText.h"

#include <QAccessible>
#include <QGuiApplication>

namespace mivora {

std::unique_ptr<QtFocusedText> QtFocusedText::current() {
    QObject* focus = QGuiApplication::focusObject();
    auto element = QtFocusedElement::current();
    if (!focus || !element) return nullptr;
    return std::unique_ptr<QtFocusedText>(new QtFocusedText(focus, std::move(element)));
}

QAccessibleTextInterface* QtFocusedText::textInterface() const {
    // Asked again on every call: Qt drops an object's interface when the object goes.
    if (!focus_) return nullptr;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(focus_);
    return face && face->isValid() ? face->textInterface() : nullptr;
}

std::optional<FocusedText::Selection> QtFocusedText::selection() {
    QAccessibleTextInterface* text = textInterface();
    if (!text) return std::nullopt;
    const int caret = text->cursorPosition();
    if (caret < 0) return std::nullopt;
    Selection selection{caret, 0};
    if (text->selectionCount() > 0) {
        int start = 0, end = 0;
        text->selection(0, &start, &end);
        if (end > start) selection = {start, end - start};
    }
    return selection;
}

std::optional<QString> QtFocusedText::text(qsizetype start, qsizetype end) {
    QAccessibleTextInterface* text = textInterface();
    if (!text || start < 0 || end < start || end > text->characterCount()) return std::nullopt;
    return text->text(int(start), int(end));
}

std::optional<QString> QtFocusedText::value() {
    QAccessibleTextInterface* text = textInterface();
    if (!text) return std::nullopt;
    return text->text(0, text->characterCount());
}

std::optional<QRectF> QtFocusedText::characterBounds(qsizetype position) {
    QAccessibleTextInterface* text = textInterface();
    if (!text || position < 0 || position >= text->characterCount()) return std::nullopt;
    const QRect rect = text->characterRect(int(position));
    if (rect.isNull()) return std::nullopt;
    return QRectF(rect);
}

} // namespace mivora
