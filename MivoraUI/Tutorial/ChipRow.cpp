#include "MivoraUI/Tutorial/ChipRow.h"

#include <QEvent>

#include <algorithm>

namespace mivora {

ChipRow::ChipRow(int spacing, int lineSpacing, QWidget* parent)
    : QWidget(parent), spacing_(spacing), lineSpacing_(lineSpacing) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ChipRow::add(QWidget* item) {
    item->setParent(this);
    items_.append(item);
    item->show();
    updateGeometry();
}

QSize ChipRow::sizeHint() const {
    int width = 0;
    int height = 0;
    for (const QWidget* item : items_) {
        const QSize hint = item->sizeHint();
        width += (width > 0 ? spacing_ : 0) + hint.width();
        height = std::max(height, hint.height());
    }
    return {width, height};
}

QSize ChipRow::minimumSizeHint() const {
    int width = 0;
    for (const QWidget* item : items_)
        width = std::max(width, item->hasHeightForWidth() ? 0 : item->sizeHint().width());
    return {width, heightForWidth(std::max(width, 1))};
}

int ChipRow::heightForWidth(int width) const {
    return place(width, false);
}

int ChipRow::place(int width, bool apply) const {
    struct Slot {
        QWidget* item;
        QSize size;
    };
    QList<QList<Slot>> lines(1);
    int used = 0;
    for (QWidget* item : items_) {
        QSize size = item->sizeHint();
        if (size.width() > width && item->hasHeightForWidth()) size = {width, item->heightForWidth(width)};
        if (!lines.last().isEmpty() && used + spacing_ + size.width() > width) {
            lines.append(QList<Slot>());
            used = 0;
        }
        used += (lines.last().isEmpty() ? 0 : spacing_) + size.width();
        lines.last().append({item, size});
    }
    int top = 0;
    for (const QList<Slot>& line : lines) {
        int height = 0;
        for (const Slot& slot : line)
            height = std::max(height, slot.size.height());
        int left = 0;
        for (const Slot& slot : line) {
            if (apply)
                slot.item->setGeometry(left, top + (height - slot.size.height()) / 2, slot.size.width(),
                                       slot.size.height());
            left += slot.size.width() + spacing_;
        }
        top += height + lineSpacing_;
    }
    return std::max(0, top - lineSpacing_);
}

void ChipRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place(width(), true);
}

bool ChipRow::event(QEvent* event) {
    // An item's text or font changed its size: lay the row out again and tell the parent's layout.
    if (event->type() == QEvent::LayoutRequest) {
        place(width(), true);
        updateGeometry();
    }
    return QWidget::event(event);
}

} // namespace mivora
