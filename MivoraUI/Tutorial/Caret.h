#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
#include "Support/Scheduler.h"

#include <QObject>

#include <functional>

namespace mivora {

class Clock;

// The blinking caret of the demonstration's text field: on for 0.55 s and off for 0.55 s by the wall
// clock, each change fading over 0.2 s, and steadily on while the window cannot be seen. The stage that
// owns it draws it; the caret only says how strongly.
class Caret final : public QObject {
    Q_OBJECT
public:
    static constexpr double period = 0.55;

    // `visible` says whether the window can be seen; call refresh() when that may have changed.
    Caret(Scheduler& scheduler, const Clock& clock, std::function<bool()> visible, QObject* parent = nullptr);
    ~Caret() override;

    // Starts blinking while the window can be seen; stops, on, while it cannot.
    void refresh();
    // Whether the caret is on at the last tick.
    bool on() const { return on_; }
    // 0 to 1 as drawn.
    double opacity() const { return opacity_.value().toDouble(); }

signals:
    void changed();

private:
    void tick();
    void set(bool on);

    Scheduler& scheduler_;
    const Clock& clock_;
    std::function<bool()> visible_;
    Scheduler::TimerId timer_ = 0;
    bool on_ = true;
    SpringAnimation opacity_{1.0};
};

} // namespace mivora
