#pragma once

class QMenu;
class QWidget;

namespace mivora {

// The "编辑" menu: undo, redo, cut, copy, paste and select all on the focused text field, with the
// desktop's standard shortcuts.
namespace EditMenu {

QMenu* make(QWidget* parent);

} // namespace EditMenu
} // namespace mivora
