#pragma once

#include <QAbstractScrollArea>
#include <QAccessibleWidget>

namespace mivora {

// What an assistive reader sees of a scroll area: its viewport, the frame of each scroll bar on show and the
// corner widget when shown, in that order. A reader counts the children in one request and asks for one in
// the next; a scroll bar can hide between the two (a list that a sync pass just made shorter), so an index
// past the end is an ordinary question and answered with no child. Qt's own interface reads past its list
// there, and the program died under a screen reader.
class ScrollAreaAccessible final : public QAccessibleWidget {
public:
    explicit ScrollAreaAccessible(QAbstractScrollArea* area);

    // Puts it in place of Qt's for every scroll area made from now on (a GUI application only); once is
    // enough.
    static void install();

    bool isValid() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    QAbstractScrollArea* area() const;
    QWidgetList shownChildren() const;
};

} // namespace mivora
