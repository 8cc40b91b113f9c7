#pragma once

#include <QStyledItemDelegate>

class QListView;

namespace mivora {

// A sidebar list's rows: icon and title on the window's background, the selected row on a soft rounded
// fill inset from the edges (the hovered one fainter), not a square highlight bar.
class SidebarRows final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // Gives `list` these rows.
    static void apply(QListView* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    static constexpr double radius = 6;
    static constexpr int inset = 4; // from the list's sides
};

} // namespace mivora
