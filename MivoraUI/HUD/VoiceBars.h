#pragma once

#include "MivoraUI/HUD/BarsEngine.h"

#include <QVariantAnimation>
#include <QWidget>

namespace mivora {

// Thirteen white capsules that ripple with the microphone level while listening and run as a wave while
// thinking, 96 x 28 points. Steps its engine 60 times a second while it is shown and its window can be
// seen; the engine lives as long as the view.
class VoiceBars final : public QWidget {
    Q_OBJECT
public:
    VoiceBars(BarsMode mode, bool reduceMotion, QWidget* parent = nullptr);

    void setLevel(float level) { level_ = level; }
    void setMode(BarsMode mode) { mode_ = mode; }
    BarsMode mode() const { return mode_; }
    const BarsEngine& engine() const { return engine_; }

    // One frame at time `t` (seconds on any steady clock): steps the engine and repaints.
    void advance(double t);
    QSize sizeHint() const override { return {96, 28}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateTimer();
    BarsEngine engine_;
    BarsMode mode_;
    const bool reduceMotion_;
    float level_ = 0;
    QVariantAnimation frames_; // the animation clock: one step a frame, like every other motion
};

} // namespace mivora
