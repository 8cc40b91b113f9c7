#include "MivoraUI/Kit/SidebarRows.h"

#include "MivoraUI/Kit/UI.h"

#include <QListView>
#include <QPainter>

namespace mivora {

void SidebarRows::apply(QListView* list) {
    list->setItemDelegate(new SidebarRows(list));
    list->setMouseTracking(true); // for the hovered row
    list->viewport()->setAttribute(Qt::WA_Hover);
}

void SidebarRows::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QPalette& palette = option.palette;
    const QRectF row = QRectF(option.rect).adjusted(inset, 0, -inset, 0);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    if (selected || hovered) {
        QColor fill = UI::primary(palette);
        fill.setAlphaF(selected ? (UI::isDark(palette) ? 0.14f : 0.09f) : 0.04f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(row, radius, radius);
    }
    const QSize iconSize = option.decorationSize;
    const double x = row.left() + 8;
    if (!item.icon.isNull()) {
        const QRect iconRect(int(x), int(row.center().y() - iconSize.height() / 2.0), iconSize.width(),
                             iconSize.height());
        item.icon.paint(painter, iconRect);
    }
    painter->setFont(item.font);
    painter->setPen(UI::primary(palette));
    const QRectF text(x + iconSize.width() + 8, row.top(), row.right() - x - iconSize.width() - 16,
                      row.height());
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                      QFontMetricsF(item.font).elidedText(item.text, Qt::ElideRight, text.width()));
    painter->restore();
}

} // namespace mivora
