#pragma once

#include <QColor>
#include <QWidget>

namespace mivora {

// One of our icons as a view, sized like a symbol set in a font of `size` points.
class SymbolView final : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& name, double size, const QColor& color, double weight = 1.0,
               QWidget* parent = nullptr);

    const QString& name() const { return name_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QString name_;
    const double size_;
    const QColor color_;
    const double weight_;
};

} // namespace mivora
