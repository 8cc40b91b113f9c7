#pragma once

#include <QProxyStyle>
#include <QStyledItemDelegate>

class QListView;

namespace mivora {

// The kit's look for Qt's own controls: line edits are rounded fields like the kit's other controls (a
// hairline outline on the text background, the focus ring in the accent colour), not square boxes.
class KitStyle final : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    // Puts the kit's look over the application's style (a GUI application only).
    static void install();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;

    static constexpr double fieldRadius = 6;
};

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
