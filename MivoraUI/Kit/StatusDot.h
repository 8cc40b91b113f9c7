#pragma once

#include <QVariantAnimation>
#include <QWidget>

namespace mivora {

// A 7-point readiness dot, green when ready and orange otherwise. When it comes on screen ready, or turns
// ready, a ring pulses out of it three times. The view leaves room around the dot for the ring.
class StatusDot final : public QWidget {
    Q_OBJECT
public:
    explicit StatusDot(bool ok, QWidget* parent = nullptr);

    void setOk(bool ok);
    bool ok() const { return ok_; }
    bool pulsing() const { return pulse_.state() == QAbstractAnimation::Running; }
    QSize sizeHint() const override { return {17, 17}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void startPulse();
    bool ok_;
    QVariantAnimation pulse_;
};

} // namespace mivora
