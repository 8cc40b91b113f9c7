#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QWidget>

namespace mivora {

// One keyboard key, 30 points tall and `width` wide, with an optional symbol before its label, which reads
// as this desktop's keyboards print it ("shift" shows "Shift"). Pressed
// (`down`) the cap drops 2 points onto its base; highlighted it fills with the accent colour.
class KeyCap final : public QWidget {
    Q_OBJECT
public:
    KeyCap(const QString& label, const QString& symbol, double width, bool down = false,
           bool highlight = false, QWidget* parent = nullptr);

    QString label() const { return label_; }
    void setDown(bool down);
    void setHighlight(bool highlight);
    // Where the cap is drawn (it sits 2 points lower while pressed).
    QRectF capRect() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QString label_;
    const QString symbol_;
    const double width_;
    bool down_;
    bool highlight_;
    SpringAnimation press_;
    SpringAnimation glow_;
};

} // namespace mivora
