#include "MivoraUI/Kit/HoverLift.h"

#include "MivoraUI/Kit/UI.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace mivora {

namespace {
constexpr double cornerRadius = 14;
constexpr double shadowBlur = 10;
constexpr double shadowDrop = 4;
} // namespace

HoverLift::HoverLift(QWidget* target) : QGraphicsEffect(target), target_(target) {
    target->setAttribute(Qt::WA_Hover);
    target->installEventFilter(this);
    target->setGraphicsEffect(this);
    // At rest the effect is off and the widget paints as usual (see LayerEffect::setLook for why).
    setEnabled(false);
    connect(&hover_, &QVariantAnimation::valueChanged, this, [this] {
        setEnabled(hover() != 0);
        update();
    });
}

QWidget* hoverLift(QWidget* widget) {
    new HoverLift(widget);
    return widget;
}

bool HoverLift::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_) {
        if (event->type() == QEvent::HoverEnter) hover_.springTo(1.0, UI::smooth);
        if (event->type() == QEvent::HoverLeave) hover_.springTo(0.0, UI::smooth);
    }
    return QGraphicsEffect::eventFilter(watched, event);
}

QRectF HoverLift::boundingRectFor(const QRectF& rect) const {
    const double m = shadowBlur + shadowDrop;
    return rect.adjusted(-m, -m, m, m);
}

void HoverLift::draw(QPainter* painter) {
    const double h = hover();
    if (!target_) {
        drawSource(painter);
        return;
    }
    const QRectF box = sourceBoundingRect(Qt::LogicalCoordinates);
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    UI::paintShadow(*painter, box, cornerRadius, shadowBlur, QColor::fromRgbF(0, 0, 0, float(0.04 * h)),
                    QPointF(0, shadowDrop));
    painter->translate(0, -h);
    painter->drawPixmap(offset, source);
    QColor line = UI::primary(target_->palette());
    line.setAlphaF(float(0.14 * h));
    painter->setPen(QPen(line, 0.5));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(box.adjusted(0.25, 0.25, -0.25, -0.25), cornerRadius, cornerRadius);
    painter->restore();
}

} // namespace mivora
