#include "MivoraUI/Settings/SteadyScrollArea.h"

#include <QApplication>

namespace mivora {

bool SteadyScrollArea::focusNextPrevChild(bool next) {
    QWidget* focused = QApplication::focusWidget();
    // Tab and Shift+Tab move from a widget on screen; only a hide moves the focus from one that is not.
    if (!focused || focused->isVisible() || !isAncestorOf(focused))
        return QScrollArea::focusNextPrevChild(next);
    QWidget* around = focused->parentWidget();
    while (around && around != this && !around->isVisible())
        around = around->parentWidget();
    if (!around || around == this) return QScrollArea::focusNextPrevChild(next);
    around->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace mivora
