#pragma once

#include "Audio/AudioClip.h"
#include "Audio/AudioSource.h"
#include "Cloud/Recognizer.h"
#include "Dictation/VoicePhase.h"
#include "Insertion/Inserting.h"
#include "Keys/HotkeyMachine.h"
#include "Keys/KeyInput.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>

namespace mivora {

class MemoryStore;
struct Memory;

// Runs one take at a time, from the Fn press to inserted text or a recalled memory: routes key events
// through the hotkey machine, refuses takes it cannot serve, records, gates out short, silent and
// speechless clips, has the clip recognised, inserts the text, and in recall mode matches the
// transcript against the memories and offers numbered choices. Main thread only.
//
// Every operation that starts something whose result or timer arrives later (a take, a recognition, a
// fading phase, a set of choices) bumps the take counter; late work acts only while the counter still
// holds the value it captured, so stale results and timers simply do nothing.
class VoiceController final : public QObject {
    Q_OBJECT
    Q_PROPERTY(mivora::VoicePhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(float level READ level NOTIFY levelChanged)
    Q_PROPERTY(std::optional<QString> lastText READ lastText NOTIFY lastTextChanged)
    Q_PROPERTY(std::optional<mivora::AudioClip> failedClip READ failedClip NOTIFY failedClipChanged)
    Q_PROPERTY(mivora::VoiceMode mode READ mode NOTIFY modeChanged)

public:
    // The platform probes the controller asks before a take. An unset probe answers false.
    struct System {
        std::function<bool()> secureInput;   // secure keyboard entry is on (a password field has focus)
        std::function<bool()> micAuthorized; // the microphone may be used
        std::function<bool()> fnIsDown;      // the Fn key is down right now
    };

    // One insertion's outcome, for usage statistics and the self-test.
    struct Timing {
        double audio = 0;           // seconds of the recorded take
        double releaseToInsert = 0; // seconds from the Fn release to the end of the insertion
        InsertResult result;
        int chars = 0; // user-perceived characters of the inserted text
        VoiceMode mode = VoiceMode::dictate;
        bool operator==(const Timing&) const = default;
    };

    // `recognizer` may be null (cloud recognition not configured); `memories` may be null (no vocabulary,
    // nothing to recall). The inserter and the store must outlive the controller.
    VoiceController(std::unique_ptr<AudioSource> source, std::shared_ptr<Recognizer> recognizer,
                    Inserting& inserter, MemoryStore* memories, System system, Scheduler& scheduler,
                    Clock& clock, QObject* parent = nullptr);
    ~VoiceController() override;

    // Callbacks the shell installs once; each is read at the moment of use. Empty ones do nothing.
    std::function<void(const QString&)> log;
    std::function<void()> onNeedsSetup;
    std::function<void()> onNeedsMemories;
    std::function<bool()> needsSignIn;
    std::function<void()> onNeedsSignIn;
    // True when `onNeedsSignIn` shows the sign-in where the user already is (a page of the welcome) rather
    // than opening the settings, so the notice does not name the settings.
    std::function<bool()> signInInPlace;
    std::function<void(const Timing&)> onTiming;
    // Whether an input method is composing in the focused field: its digits and Esc are its own then.
    std::function<bool()> composing;
    // Awaited before a memory is inserted: returns once the keys the key tap keeps from applications are up
    // (unset: one turn of the event loop).
    std::function<QCoro::Task<>()> keysSettled;
    // Awaited after a take has started recording and before the focused field is asked whether it is a
    // password field (an answer that a busy application can delay by a second): returns once the HUD shows
    // the take (unset: one turn of the event loop).
    std::function<QCoro::Task<>()> shown;
    // Asked at the start of each take and retry for the recogniser to use from then on (null: recognition
    // is not configured now), so a key put in place or changed while the program runs counts at once.
    // Unset: the one given at construction stays.
    std::function<std::shared_ptr<Recognizer>()> currentRecognizer;

    // Recording limit in seconds; a take still running after it ends as if Fn had been released.
    double maxDuration = 120;

    // One key event with its uptime stamp; true when the key source must swallow it.
    bool handle(const KeyInput& input, double time);
    // Sends the clip of the last failed recognition again (the retry menu command).
    void retryLast();

    VoicePhase phase() const { return phase_; }
    float level() const { return level_; }
    std::optional<QString> lastText() const { return lastText_; }
    std::optional<AudioClip> failedClip() const { return failedClip_; }
    VoiceMode mode() const { return mode_; }
    bool isRecording() const { return recordingSince_.has_value(); }
    const HotkeyMachine& machine() const { return machine_; }

    // The key codes whose key events this controller may swallow in its current state, sorted: Esc and
    // Space while Fn is held for a take, Esc in hands-free, Space while waiting for Fn to go up, Esc and
    // the choice keys while choosing, and keys whose key-up is still owed a swallow. A key source that can
    // only swallow what it grabbed beforehand grabs exactly these.
    QList<int> swallowableKeys() const { return swallowable_; }

signals:
    void phaseChanged();
    void levelChanged();
    void lastTextChanged();
    void failedClipChanged();
    void modeChanged();
    void swallowableKeysChanged();

private:
    // Takes, gates and phases.
    void start(VoiceMode mode);
    void refuse(const std::function<void()>& callback, const QString& text);
    static QString secureRefusal();
    QCoro::Task<> checkPasswordField(std::uint64_t token);
    void stop();
    QCoro::Task<> watchOpening(QCoro::Task<> opening, std::uint64_t token);
    QCoro::Task<> finishTake(double since, std::uint64_t token);
    void cancel(CancelReason reason);
    void endRecording();
    void recordingLimitReached();
    void show(VoicePhase phase);
    void resetMachine();

    // Recognition and insertion.
    void process(AudioClip clip, VoiceMode mode, double released, bool retry);
    QCoro::Task<> recognize(std::shared_ptr<Recognizer> recognizer, AudioClip clip, VoiceMode mode,
                            double released, QStringList vocabulary, std::uint64_t token, bool retry);
    QCoro::Task<> applyResult(QString text, AudioClip clip, VoiceMode mode, double released,
                              std::uint64_t token, bool retry);
    void applyFailure(std::exception_ptr error, AudioClip clip, VoiceMode mode, std::uint64_t token);
    QCoro::Task<> insert(QString text, double released, double audio, bool sensitive = false);

    // Voice recall and numbered choices.
    QStringList vocabulary() const;
    void recall(const QString& text, double released, double audio);
    void presentChoices(QList<RecallChoice> choices, std::optional<QString> armed);
    // Swallow (true), pass (false), or not handled (absent: the hotkey machine gets the input).
    std::optional<bool> handleChoosing(const KeyInput& input);
    void pick(qsizetype index);
    void fill(const Memory& memory, double released, double audio);
    QCoro::Task<> insertDetached(QString text, double released, double audio, bool sensitive);

    // Published state; every write notifies.
    void setPhase(VoicePhase phase);
    void setLevel(float level);
    void setLastText(std::optional<QString> text);
    void setFailedClip(std::optional<AudioClip> clip);
    void setMode(VoiceMode mode);
    void updateSwallowable();

    void write(const QString& line) const;
    static QString micFailure(std::exception_ptr error);
    static void call(const std::function<void()>& callback);
    static bool probe(const std::function<bool()>& probe);

    VoicePhase phase_;
    float level_ = 0;
    std::optional<QString> lastText_;
    std::optional<AudioClip> failedClip_;
    VoiceMode mode_ = VoiceMode::dictate;
    VoiceMode failedMode_ = VoiceMode::dictate;

    std::unique_ptr<AudioSource> source_;
    std::shared_ptr<Recognizer> recognizer_;
    Inserting& inserter_;
    QPointer<MemoryStore> memories_;
    System system_;
    Scheduler& scheduler_;
    Clock& clock_;

    HotkeyMachine machine_;
    std::optional<double> recordingSince_; // uptime; set exactly while recording
    bool stopping_ = false;                // the take's last audio is still coming in
    std::uint64_t token_ = 0;
    Scheduler::TimerId limitTimer_ = 0;
    std::set<int> swallowedUps_;
    struct Release {
        double released; // uptime of the Fn release
        double audio;    // seconds of the take
    };
    std::optional<Release> pendingRelease_;
    QList<int> swallowable_;
};

} // namespace mivora

Q_DECLARE_METATYPE(std::optional<mivora::AudioClip>)
