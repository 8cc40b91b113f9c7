#include "MivoraUI/Kit/SymbolView.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

SymbolView::SymbolView(const QString& name, double size, const QColor& color, double weight, QWidget* parent)
    : QWidget(parent), name_(name), size_(size), color_(color), weight_(weight) {
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&scale_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void SymbolView::bounce() {
    scale_.jumpTo(0.7);
    scale_.springTo(1.0, Spring{0.35, 0.5});
}

QSize SymbolView::sizeHint() const {
    const int side = qRound(size_ * 1.2);
    return {side, side};
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double side = size_ * 1.2 * scale_.value().toDouble();
    Icon::paint(painter, name_, QRectF((width() - side) / 2, (height() - side) / 2, side, side),
                color_.isValid() ? color_ : UI::primary(palette()), weight_);
}

} // namespace mivora
