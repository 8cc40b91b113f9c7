#pragma once

#include <QEvent>

class QWidget;

namespace mivora {

// Whether the window a view sits in can be seen (it is open and not covered). The main window sets it on
// its root; self-running animations below read it and hold still while it is false. A view that no
// ancestor has told sees true.
namespace WindowVisible {

void set(QWidget* root, bool visible);
bool of(const QWidget* view);
// Sent to the root and every widget below it whenever `set` changes the value.
QEvent::Type changedEvent();

} // namespace WindowVisible

} // namespace mivora
