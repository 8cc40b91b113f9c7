#pragma once

#include <QScrollArea>

namespace mivora {

// A scroll area that moves only when the user moves it or tabs to something out of sight. When the focused
// widget inside is hidden (a step done, a view replaced), Qt hands the focus to the next widget in the
// window's chain, which may be far down the page, and a plain scroll area scrolls there; here the focus
// goes to the nearest part of the page still showing around the hidden widget, and the page stays put.
class SteadyScrollArea final : public QScrollArea {
    Q_OBJECT
public:
    using QScrollArea::QScrollArea;

protected:
    bool focusNextPrevChild(bool next) override;
};

} // namespace mivora
