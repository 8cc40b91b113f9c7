#include "MivoraUI/Kit/BrandMark.h"

#include <QApplication>
#include <QPainter>

namespace mivora {

BrandMark::BrandMark(double size, QWidget* parent) : QWidget(parent), size_(size) {
    setFixedSize(sizeHint());
}

QSize BrandMark::sizeHint() const {
    return QSizeF(size_, size_).toSize();
}

QIcon BrandMark::icon() {
    const QIcon set = QApplication::windowIcon();
    return set.isNull() ? QIcon(QStringLiteral(":/mivora/mivora.svg")) : set;
}

void BrandMark::paintEvent(QPaintEvent*) {
    const QIcon icon = BrandMark::icon();
    if (icon.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap pm = icon.pixmap(size(), devicePixelRatioF());
    painter.drawPixmap(rect(), pm);
}

} // namespace mivora
