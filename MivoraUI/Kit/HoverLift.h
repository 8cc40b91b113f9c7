#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QGraphicsEffect>
#include <QPointer>

namespace mivora {

// Raises a view by one point under the pointer, with a faint border and shadow, all along the smooth
// spring. At rest it adds nothing visible. Owned by the view it lifts (its graphics effect).
class HoverLift final : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit HoverLift(QWidget* target);
    // 0 at rest, 1 with the pointer over the view.
    double hover() const { return hover_.value().toDouble(); }

protected:
    QRectF boundingRectFor(const QRectF& rect) const override;
    void draw(QPainter* painter) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> target_;
    SpringAnimation hover_{0.0};
};

// Applies a HoverLift to `widget` and returns it.
QWidget* hoverLift(QWidget* widget);

} // namespace mivora
