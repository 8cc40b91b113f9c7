#pragma once

#include "Dictation/VoicePhase.h"
#include "MivoraUI/HUD/HUDOptions.h"
#include "MivoraUI/Kit/SpringAnimation.h"

#include <QPointer>
#include <QWidget>

namespace mivora {

class LevelRow;

// The dark recording pill for one voice phase: level bars while listening, the thinking wave while
// recognising, a tick when done, a one-line notice, or the numbered recall choices. The same
// (phase, mode, level, options) always draws the same picture apart from running animations. A
// change of content (a change of the animation key) blur-fades the old content out and the new in while
// the pill springs to its new size; level changes alone animate nothing but the bars.
class HUDPill final : public QWidget {
    Q_OBJECT
public:
    // The widest the pill may grow: the width of the window that hosts it.
    static constexpr int maxWidth = 420;

    HUDPill(const VoicePhase& phase, VoiceMode mode, float level, const HUDOptions& options,
            QWidget* parent = nullptr);

    void setState(const VoicePhase& phase, VoiceMode mode, float level);
    // The key that ends a hands-free take, as the hint names it, after a change of the hotkey.
    void setHotkey(const QString& hotkey);
    const VoicePhase& phase() const { return phase_; }

    // The pill's background colour.
    static QColor fill();
    // What decides whether a change of phase is a change of content: equal keys keep the content.
    static QString animationKey(const VoicePhase& phase);
    // Moves `animation` to `target` the way the pill's content changes: along its spring, or in a short
    // fade under reduced motion.
    static void animate(SpringAnimation& animation, const QVariant& target, bool reduceMotion);

    // The size the pill settles at for its current content.
    QSize sizeHint() const override;
    // The content shown for the current phase.
    QWidget* content() const { return content_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Kind { idle, level, done, choices, notice };
    static Kind kindOf(const VoicePhase& phase);
    QWidget* makeContent();
    void updateContent();
    void swapContent();
    void centre(QWidget* w);
    void runMotion(SpringAnimation& animation, const QVariant& target) {
        animate(animation, target, options_.reduceMotion);
    }
    SpringAnimation* blurFade(QWidget* w, double from, double to);

    VoicePhase phase_;
    VoiceMode mode_;
    float level_;
    HUDOptions options_;
    QString key_;
    Kind kind_;
    QPointer<QWidget> content_;
    SpringAnimation size_{QSizeF()};
};

} // namespace mivora
