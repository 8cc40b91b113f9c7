#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QColor>
#include <QWidget>

namespace mivora {

// One of our icons as a view, sized like a symbol set in a font of `size` points. An invalid `color` draws
// in the primary colour of the palette in use.
class SymbolView final : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& name, double size, const QColor& color, double weight = 1.0,
               QWidget* parent = nullptr);
    // In the secondary style (the primary colour at 55 %), resolved from the palette in use each time it is
    // drawn, like the secondary text beside it.
    static SymbolView* secondary(const QString& name, double size, double weight = 1.0,
                                 QWidget* parent = nullptr);

    const QString& name() const { return name_; }
    // Springs the symbol up from a smaller size, overshooting once.
    void bounce();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QString name_;
    const double size_;
    const QColor color_;
    const double weight_;
    double inkOpacity_ = 1.0; // of the palette's primary colour, when no colour is given
    SpringAnimation scale_{1.0};
};

} // namespace mivora
