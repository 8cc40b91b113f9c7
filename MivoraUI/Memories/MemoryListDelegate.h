#pragma once

#include <QStyledItemDelegate>

namespace mivora {

// Draws one row of the memories list: the title in semibold with an orange lock after a sensitive one,
// and below it the preview in the secondary style, each on one line. Texts are drawn as plain text.
class MemoryListDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace mivora
