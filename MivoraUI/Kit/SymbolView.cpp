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

SymbolView* SymbolView::secondary(const QString& name, double size, double weight, QWidget* parent) {
    auto* view = new SymbolView(name, size, QColor(), weight, parent);
    view->inkOpacity_ = 0.55;
    return view;
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
    QColor ink = color_;
    if (!ink.isValid()) {
        ink = UI::primary(palette());
        ink.setAlphaF(float(inkOpacity_));
    }
    Icon::paint(painter, name_, QRectF((width() - side) / 2, (height() - side) / 2, side, side), ink,
                weight_);
}

} // namespace mivora
