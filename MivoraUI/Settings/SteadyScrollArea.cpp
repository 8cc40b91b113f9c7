#include "MivoraUI/Settings/SteadyScrollArea.h"

#include <QApplication>
#include <QResizeEvent>
#include <QScrollBar>

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

void SteadyScrollArea::resizeEvent(QResizeEvent* event) {
    const int shrunk = event->oldSize().height() - event->size().height();
    // Where the page showed before: the same top, the old height.
    const int top = verticalScrollBar()->value();
    QScrollArea::resizeEvent(event);
    if (shrunk <= 0 || !keep_ || !widget() || !widget()->isAncestorOf(keep_) || !keep_->isVisible()) return;
    const QRect place(keep_->mapTo(widget(), QPoint()), keep_->size());
    const int shownBefore = viewport()->height() + shrunk;
    if (place.bottom() < top || place.top() >= top + shownBefore) return;
    ensureWidgetVisible(keep_, 0, 0);
}

} // namespace mivora
