#pragma once

#include <QGraphicsEffect>
#include <QPointF>

namespace mivora {

// Draws a widget blurred, faded, scaled about an anchor and moved, as one layer. The kit's transitions
// (the blur-fade of the recording pill's content, the pill's shown pose, the page shift) are looks of it.
class LayerEffect final : public QGraphicsEffect {
    Q_OBJECT
public:
    struct Look {
        double blur = 0;          // radius in points
        double opacity = 1;       // 0 to 1
        double scale = 1;         // about the anchor
        QPointF anchor{0.5, 0.5}; // as fractions of the widget's size
        QPointF offset;           // points
        bool operator==(const Look&) const = default;
    };

    // The blur-fade at progress p: invisible, blurred by 6 points and at 94 % size at 0; untouched at 1.
    static Look blurFade(double progress);
    // The page shift: moved right by `x` points at opacity `p`.
    static Look pageShift(double x, double p);

    // Starts untouched, and so disabled (see setLook).
    explicit LayerEffect(QObject* parent = nullptr) : QGraphicsEffect(parent) { setEnabled(false); }
    void setLook(const Look& look);
    const Look& look() const { return look_; }

protected:
    QRectF boundingRectFor(const QRectF& rect) const override;
    void draw(QPainter* painter) override;

private:
    Look look_;
};

} // namespace mivora
