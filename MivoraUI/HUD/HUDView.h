#pragma once

#include "Dictation/VoicePhase.h"
#include "MivoraUI/HUD/HUDOptions.h"
#include "MivoraUI/Kit/SpringAnimation.h"

#include <QWidget>

namespace mivora {

class HUDPill;
class LayerEffect;

// What fills the recording HUD's window: the pill at the bottom centre, springing up from 6 points lower
// and 92 % size when a take starts and shrinking back and fading out when the phase returns to idle. Driven
// by plain values (phase, mode, level), so any owner of the voice controller's state can feed it.
class HUDView final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize windowSize{420, 260};

    explicit HUDView(const HUDOptions& options, QWidget* parent = nullptr);

    void setState(const VoicePhase& phase, VoiceMode mode, float level);
    // The hotkey as the hands-free hint names it (it changed in the settings).
    void setHotkey(const QString& hotkey);

    // Whether the pill may fade in and out. Without a compositor the window's pixels have no alpha: a
    // fading pill would darken to a black one, so it stays opaque while it comes and goes, and the window
    // is hidden instead.
    void setFades(bool fades);
    bool fades() const { return fades_; }

    HUDPill* pill() const { return pill_; }
    // 0 hidden, 1 in the shown pose (a spring may briefly pass 1).
    double shown() const { return shown_.value().toDouble(); }
    // Where the pill is, in this view's coordinates.
    QRect pillRect() const;
    // Where the pill is drawn at this moment of its pose (smaller and lower while it comes and goes).
    QRectF posedPillRect() const;

signals:
    // The pill moved, changed size or changed its pose.
    void pillRectChanged(const QRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPose();
    void placePill();
    const bool reduceMotion_;
    bool fades_ = true;
    HUDPill* pill_;
    LayerEffect* pose_;
    SpringAnimation shown_{0.0};
};

} // namespace mivora
