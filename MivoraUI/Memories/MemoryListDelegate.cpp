#include "MivoraUI/Memories/MemoryListDelegate.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/OneLine.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Memories/MemoriesLabel.h"
#include "MivoraUI/Memories/MemoryListModel.h"

#include <QPainter>

namespace mivora {

namespace {

constexpr int inset = 8;   // between the list's edge and a row's selection
constexpr int padding = 8; // between the selection's edge and the texts
constexpr int rowGap = 3;  // above and below the texts, and between rows' selections
constexpr double lockSize = 9;

QFont titleFont() {
    return UI::font(13, QFont::DemiBold);
}

QFont previewFont() {
    return UI::font(12);
}

} // namespace

QSize MemoryListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    const int h = QFontMetrics(titleFont()).height() + 2 + QFontMetrics(previewFont()).height();
    return {250, h + 2 * rowGap + 2 * 3};
}

void MemoryListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette& palette = option.palette;
    const QRectF row = QRectF(option.rect).adjusted(inset, rowGap / 2.0, -inset, -rowGap / 2.0);
    if (option.state & QStyle::State_Selected) {
        QColor fill = UI::primary(palette);
        fill.setAlphaF(0.09f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(row, 6, 6);
    }

    const QRectF text = row.adjusted(padding, 3, -padding, -3);
    const bool sensitive = index.data(MemoryListModel::SensitiveRole).toBool();
    const QFontMetricsF tm(titleFont());
    const double lockRoom = sensitive ? 4 + lockSize : 0;
    const QString title =
        OneLine::elided(tm, index.data(Qt::DisplayRole).toString(), std::max(0.0, text.width() - lockRoom));
    const QRectF titleBox(text.left(), text.top(), tm.horizontalAdvance(title), tm.height());
    painter->setFont(titleFont());
    painter->setPen(palette.color(QPalette::WindowText));
    painter->drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    if (sensitive) {
        const QRectF lock(titleBox.right() + 4, titleBox.center().y() - lockSize / 2, lockSize, lockSize);
        Icon::paint(*painter, QStringLiteral("lock.fill"), lock, UI::orange(), 1.3);
    }

    const QFontMetricsF pm(previewFont());
    const QString preview =
        OneLine::elided(pm, index.data(MemoryListModel::PreviewRole).toString(), text.width());
    painter->setFont(previewFont());
    painter->setPen(MemoriesLabel::secondary(palette));
    painter->drawText(QRectF(text.left(), titleBox.bottom() + 2, text.width(), pm.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, preview);
    painter->restore();
}

} // namespace mivora
