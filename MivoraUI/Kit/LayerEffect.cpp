#include "MivoraUI/Kit/LayerEffect.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace mivora {

LayerEffect::Look LayerEffect::blurFade(double progress) {
    const double p = std::clamp(progress, 0.0, 1.0);
    return Look{(1 - p) * 6, p, 0.94 + 0.06 * p, {0.5, 0.5}, {}};
}

LayerEffect::Look LayerEffect::pageShift(double x, double p) {
    return Look{0, std::clamp(p, 0.0, 1.0), 1, {0.5, 0.5}, {x, 0}};
}

void LayerEffect::setLook(const Look& look) {
    if (look == look_) return;
    look_ = look;
    // Untouched, the widget paints as if it had no effect. An enabled effect would draw it through its
    // own painter on the window, and a widget inside it with an effect of its own (a lesson's success
    // badge under the page shift, a card's hover lift under the home page's reveal) would then open a
    // second painter on that window: Qt refuses it, and that widget is not drawn at all.
    setEnabled(!(look_ == Look{}));
    updateBoundingRect();
    update();
}

QRectF LayerEffect::boundingRectFor(const QRectF& rect) const {
    const double grow = std::max(0.0, look_.scale - 1) * std::max(rect.width(), rect.height()) + look_.blur;
    return rect.adjusted(-grow, -grow, grow, grow).translated(look_.offset);
}

void LayerEffect::draw(QPainter* painter) {
    if (look_.opacity <= 0) return;
    QPoint offset;
    QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (source.isNull()) return;
    if (look_.blur > 0.5) {
        // A cheap blur: shrink and grow back with smooth filtering; the shrink follows the radius.
        const double factor = 1 + look_.blur / 2;
        const QSize small = (QSizeF(source.size()) / factor).toSize().expandedTo(QSize(1, 1));
        const qreal dpr = source.devicePixelRatio();
        source = source.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .scaled(source.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        source.setDevicePixelRatio(dpr);
    }
    const QSizeF size = QSizeF(source.size()) / source.devicePixelRatio();
    const QPointF anchor(offset.x() + size.width() * look_.anchor.x(),
                         offset.y() + size.height() * look_.anchor.y());
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setOpacity(painter->opacity() * look_.opacity);
    painter->translate(look_.offset);
    painter->translate(anchor);
    painter->scale(look_.scale, look_.scale);
    painter->translate(-anchor);
    painter->drawPixmap(offset, source);
    painter->restore();
}

} // namespace mivora
