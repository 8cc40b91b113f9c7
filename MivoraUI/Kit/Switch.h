#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QAbstractButton>

namespace mivora {

// An on/off switch: a knob sliding along a capsule that fills with the accent colour when on, along the
// smooth spring. Checkable; `toggled` follows every change, `clicked` only the user's own.
class Switch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit Switch(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // 0 off, 1 on, in between while sliding.
    double position() const { return position_.value().toDouble(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    SpringAnimation position_{0.0};
};

} // namespace mivora
