#include "MivoraUI/Kit/BrandMark.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>

namespace mivora {

BrandMark::BrandMark(double size, QWidget* parent) : QWidget(parent), size_(size) {
    setFixedSize(sizeHint());
}

QSize BrandMark::sizeHint() const {
    return QSizeF(size_, size_).toSize();
}

void BrandMark::paintEvent(QPaintEvent*) {
    const QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap pm = icon.pixmap(size(), devicePixelRatioF());
    painter.drawPixmap(rect(), pm);
}

} // namespace mivora
