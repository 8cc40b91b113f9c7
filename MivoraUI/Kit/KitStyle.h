#pragma once

#include <QProxyStyle>

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

} // namespace mivora
