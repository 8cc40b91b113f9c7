#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
#include "MivoraUI/Model/Lesson.h"
#include "MivoraUI/Tutorial/Caret.h"
#include "MivoraUI/Tutorial/DemoPlayer.h"

#include <QPixmap>
#include <QWidget>

#include <vector>

class QPainter;
class QTextLayout;

namespace mivora {

class Clock;
class HUDPill;
class KeyCap;
class SuggestChip;

// The self-playing picture beside a lesson: a small mock window with a text field, a miniature of the
// recording pill and of the suggestion chip inside it, and the key caps of the gesture below. The player
// drives it; with reduced motion it shows only the result. It reads nothing but its inputs, the window's
// visibility and the clock.
class DemoStage final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize windowSize{320, 210};
    static constexpr double pillScale = 0.72;
    static constexpr double chipScale = 0.82;

    // `hotkey` is the name of the key the user holds ("右 Ctrl"), shown on its cap.
    DemoStage(Lesson lesson, bool reduceMotion, const QString& hotkey, Scheduler& scheduler,
              const Clock& clock, QWidget* parent = nullptr);
    ~DemoStage() override;

    // Stops the script at once and starts the new lesson's from its reset.
    void setLesson(Lesson lesson);
    Lesson lesson() const { return lesson_; }

    const DemoPlayer& player() const { return player_; }
    const Caret& caret() const { return caret_; }
    // Left to right, as drawn.
    const std::vector<KeyCap*>& caps() const { return caps_; }
    HUDPill* pill() const { return pill_; }
    SuggestChip* chip() const { return chip_; }
    // Whether the pill and the chip are drawn (also while they go).
    bool pillUp() const;
    bool chipUp() const;
    // 0 hidden, 1 fully in (a spring may pass 1 briefly).
    double pillShown() const { return pillShown_.value().toDouble(); }
    double chipShown() const { return chipShown_.value().toDouble(); }
    // Where the mock window, its text field, the pill and the chip are drawn.
    QRectF windowRect() const;
    QRectF fieldRect() const;
    QRectF pillRect() const;
    QRectF chipRect() const;
    // The window's bottom row, where the pill is drawn whatever its size.
    QRectF hudRow() const;
    QString label() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool seen() const;
    void makeCaps();
    void placeChildren();
    void follow();
    void feedPill();
    void updateFrames();
    double pillEnter() const;
    void paintShadow(QPainter& painter, const QRectF& window);
    void paintScaled(QPainter& painter, QWidget* view, const QRectF& target, double opacity);
    double layoutText(QTextLayout& layout) const;

    Lesson lesson_;
    const bool reduceMotion_;
    const QString hotkey_;
    Scheduler& scheduler_;
    const Clock& clock_;
    DemoPlayer player_;
    Caret caret_;
    bool started_ = false;

    struct Cap {
        KeyCap* cap;
        bool (DemoPlayer::*flag)() const;
    };
    std::vector<Cap> keys_;
    std::vector<KeyCap*> caps_;
    HUDPill* pill_;
    SpringAnimation pillShown_{0.0};
    bool pillIn_ = false;
    SuggestChip* chip_;
    SpringAnimation chipShown_{0.0};
    bool chipIn_ = false;
    SpringAnimation textFade_{1.0};
    Scheduler::TimerId frames_ = 0;
    QPixmap shadow_;
};

} // namespace mivora
