#pragma once

#include "Dictation/VoicePhase.h"
#include "MivoraUI/Model/Lesson.h"
#include "MivoraUI/Tutorial/DemoScript.h"
#include "Support/Scheduler.h"

#include <QObject>
#include <QStringList>

#include <functional>

namespace mivora {

// Runs a lesson's demonstration script on the scheduler, cycle after cycle, and holds the state the stage
// draws. Every pause runs its full length; when it ends while the window cannot be seen, the script holds
// and looks again every 0.3 s. Only one script runs at a time: playing another stops the one running at
// once, leaving its state until the new cycle's first row resets it.
class DemoPlayer final : public QObject {
    Q_OBJECT
public:
    static constexpr double holdPoll = 0.3;

    // `visible` is asked at the end of every pause.
    DemoPlayer(Scheduler& scheduler, std::function<bool()> visible, QObject* parent = nullptr);
    ~DemoPlayer() override;

    // Starts `lesson` from its first row; with reduced motion only shows its end text.
    void play(Lesson lesson, bool reduceMotion);
    void stop();
    bool running() const { return timer_ != 0; }

    const QString& text() const { return text_; }
    bool fn() const { return fn_; }
    bool shift() const { return shift_; }
    bool tab() const { return tab_; }
    bool chip() const { return chip_; }
    const VoicePhase& hud() const { return hud_; }
    // Where the part of the text that fades in begins, in UTF-16 units; -1 when nothing fades.
    qsizetype fadeFrom() const { return fadeFrom_; }

signals:
    // After every row and every typed character.
    void changed();
    // The text changed by an animated row: the part from fadeFrom() on fades in.
    void textFaded();

private:
    void run();
    void apply(const DemoScript::Row& row);
    void wait(double seconds);
    void paused();

    Scheduler& scheduler_;
    std::function<bool()> visible_;
    const std::vector<DemoScript::Row>* rows_ = nullptr;
    std::size_t row_ = 0;
    qsizetype typed_ = -1; // characters of the row's typing done; -1 before its changes are applied
    QStringList characters_;
    Scheduler::TimerId timer_ = 0;

    QString text_;
    bool fn_ = false, shift_ = false, tab_ = false, chip_ = false;
    VoicePhase hud_;
    qsizetype fadeFrom_ = -1;
};

} // namespace mivora
