#pragma once

#include <QPointer>
#include <QScrollArea>

namespace mivora {

// A scroll area that moves only when the user moves it or tabs to something out of sight. When the focused
// widget inside is hidden (a step done, a view replaced), Qt hands the focus to the next widget in the
// window's chain, which may be far down the page, and a plain scroll area scrolls there; here the focus
// goes to the nearest part of the page still showing around the hidden widget, and the page stays put.
//
// When something beside it takes room from its lower edge (a note at the foot of the page), a widget the
// user just acted on that was in sight stays wholly in sight: the page scrolls up just enough.
class SteadyScrollArea final : public QScrollArea {
    Q_OBJECT
public:
    using QScrollArea::QScrollArea;

    // Until called again (with null to keep nothing), `widget` (inside the scrolled widget) is kept in sight
    // each time the area gets shorter, if it was in sight, even in part, just before.
    void keepInSight(QWidget* widget) { keep_ = widget; }

protected:
    bool focusNextPrevChild(bool next) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QWidget> keep_;
};

} // namespace mivora
