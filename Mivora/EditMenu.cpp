#include "EditMenu.h"

#include <QApplication>
#include <QMenu>

namespace mivora::EditMenu {

QMenu* make(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("编辑"), parent);
    // Each row calls the slot of that name on whatever text widget has the focus. Another widget (a list,
    // a button) has no such slot and the row does nothing there: a take's Ctrl+V landing on one of our own
    // lists leaves the text on the clipboard with the hint, as anywhere that takes no text.
    const auto add = [menu](const QString& title, const char* slot, QKeySequence::StandardKey key) {
        QAction* action = menu->addAction(title);
        action->setShortcut(key);
        const QByteArray signature = QByteArray(slot) + "()";
        QObject::connect(action, &QAction::triggered, [slot, signature] {
            QWidget* focus = QApplication::focusWidget();
            if (focus && focus->metaObject()->indexOfMethod(signature.constData()) >= 0)
                QMetaObject::invokeMethod(focus, slot);
        });
    };
    add(QStringLiteral("撤销"), "undo", QKeySequence::Undo);
    add(QStringLiteral("重做"), "redo", QKeySequence::Redo);
    menu->addSeparator();
    add(QStringLiteral("剪切"), "cut", QKeySequence::Cut);
    add(QStringLiteral("拷贝"), "copy", QKeySequence::Copy);
    add(QStringLiteral("粘贴"), "paste", QKeySequence::Paste);
    add(QStringLiteral("全选"), "selectAll", QKeySequence::SelectAll);
    return menu;
}

} // namespace mivora::EditMenu
