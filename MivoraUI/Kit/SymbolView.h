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
    SpringAnimation scale_{1.0};
};

} // namespace mivora
