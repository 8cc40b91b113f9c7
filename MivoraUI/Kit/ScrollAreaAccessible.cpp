#include "MivoraUI/Kit/ScrollAreaAccessible.h"

#include <QApplication>
#include <QScrollBar>

namespace mivora {

namespace {

// Asked with the class names from the most derived up; the first factory to answer wins, the latest
// installed asked first. Scroll areas of every kind that Qt would give its own generic scroll-area interface.
QAccessibleInterface* scrollAreaFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QScrollArea") && className != QLatin1String("QAbstractScrollArea"))
        return nullptr;
    auto* area = qobject_cast<QAbstractScrollArea*>(object);
    return area ? new ScrollAreaAccessible(area) : nullptr;
}

} // namespace

ScrollAreaAccessible::ScrollAreaAccessible(QAbstractScrollArea* area)
    : QAccessibleWidget(area, QAccessible::Client) {}

void ScrollAreaAccessible::install() {
    // Qt puts its own factory in when the application is made, so this one must come after it to be asked
    // first.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    QAccessible::installFactory(scrollAreaFactory); // a second install of the same factory is ignored
}

bool ScrollAreaAccessible::isValid() const {
    return QAccessibleWidget::isValid() && area()->viewport();
}

int ScrollAreaAccessible::childCount() const {
    return int(shownChildren().size());
}

QAccessibleInterface* ScrollAreaAccessible::child(int index) const {
    const QWidgetList children = shownChildren();
    if (index < 0 || index >= children.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(children.at(index));
}

int ScrollAreaAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child || !child->object()) return -1;
    return int(shownChildren().indexOf(qobject_cast<QWidget*>(child->object())));
}

QAccessibleInterface* ScrollAreaAccessible::childAt(int x, int y) const {
    if (!area()->isVisible()) return nullptr;
    for (QWidget* shown : shownChildren()) {
        if (QRect(shown->mapToGlobal(QPoint(0, 0)), shown->size()).contains(x, y))
            return QAccessible::queryAccessibleInterface(shown);
    }
    return nullptr;
}

QAbstractScrollArea* ScrollAreaAccessible::area() const {
    return static_cast<QAbstractScrollArea*>(widget());
}

QWidgetList ScrollAreaAccessible::shownChildren() const {
    QWidgetList children;
    if (QWidget* viewport = area()->viewport()) children.append(viewport);
    // Each scroll bar sits in a frame of Qt's own; the frame is what a reader walks into.
    for (QScrollBar* bar : {area()->horizontalScrollBar(), area()->verticalScrollBar()}) {
        if (bar && bar->isVisible() && bar->parentWidget()) children.append(bar->parentWidget());
    }
    if (QWidget* corner = area()->cornerWidget(); corner && corner->isVisible()) children.append(corner);
    return children;
}

} // namespace mivora
