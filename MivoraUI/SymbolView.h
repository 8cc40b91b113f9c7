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
    void setName(const QString& name);
    void setColor(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    const double size_;
    QColor color_;
    const double weight_;
};

} // namespace mivora
