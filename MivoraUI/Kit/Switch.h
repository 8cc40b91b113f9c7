#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QAbstractButton>

namespace mivora {

// An on/off switch: a knob sliding along a capsule that fills with the accent colour when on, along the
// smooth spring. Checkable; `toggled` follows every change, `clicked` only a click or a key. A page acts on
// `flipped`: every change of state, whichever way it came (a click, a key, a screen reader's toggle, a call),
// except the ones made through reflect().
class Switch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit Switch(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // Shows a state kept elsewhere (a setting read back, a refused change turned back) without `flipped`, so
    // the page does not write it back.
    void reflect(bool on);
    // 0 off, 1 on, in between while sliding.
    double position() const { return position_.value().toDouble(); }

signals:
    void flipped(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    SpringAnimation position_{0.0};
    bool reflecting_ = false;
};

} // namespace mivora
