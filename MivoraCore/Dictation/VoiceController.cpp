#include "Dictation/VoiceController.h"

#include "Audio/MicDiagnostics.h"
#include "Audio/MicSource.h"
#include "Dictation/VoiceText.h"
#include "Keys/ChooseKeys.h"
#include "Memories/MemoryStore.h"
#include "Platform/PlatformWords.h"
#include "Support/UserError.h"

#include <QPointer>

#include <algorithm>

namespace mivora {

namespace {
// A clip shorter than this never leaves the controller (a slip of the key rather than speech).
constexpr double minTake = 0.3;
// Takes quieter than this are worth a log line: they are amplified before recognition.
constexpr float quietPeak = 0.25f;
constexpr double doneFade = 0.9;
constexpr double noticeFade = 2.6;
} // namespace

VoiceController::VoiceController(std::unique_ptr<AudioSource> source, std::shared_ptr<Recognizer> recognizer,
                                 Inserting& inserter, MemoryStore* memories, System system,
                                 Scheduler& scheduler, Clock& clock, QObject* parent)
    : QObject(parent), source_(std::move(source)), recognizer_(std::move(recognizer)), inserter_(inserter),
      memories_(memories), system_(std::move(system)), scheduler_(scheduler), clock_(clock) {}

VoiceController::~VoiceController() {
    if (limitTimer_ != 0) scheduler_.cancel(limitTimer_);
    // A take still recording when the controller goes away is discarded, so the microphone is released.
    if (isRecording() || stopping_) source_->cancel();
}

bool VoiceController::handle(const KeyInput& input, double time) {
    if (const auto answer = handleChoosing(input)) {
        updateSwallowable();
        return *answer;
    }
    const auto result = machine_.handle(input, time);
    if (result.action) {
        using A = HotkeyAction::Kind;
        switch (result.action->kind) {
        case A::start:
            start(VoiceMode::dictate);
            break;
        case A::startRecall:
            start(VoiceMode::recall);
            break;
        case A::switchToRecall:
            if (isRecording()) setMode(VoiceMode::recall);
            break;
        case A::stop:
            stop();
            break;
        case A::enterHandsFree:
            if (isRecording()) setPhase(VoicePhase::listening(true));
            break;
        case A::cancel:
            cancel(result.action->reason);
            break;
        }
    }
    updateSwallowable();
    return result.swallow;
}

void VoiceController::start(VoiceMode mode) {
    if (isRecording()) return;
    // One recognition at a time: a press while one runs (or while the last take ends) is ignored, and its
    // release must do nothing.
    if (stopping_ || phase_.is(VoicePhase::Kind::processing)) {
        resetMachine();
        return;
    }

    // Whether the focus is in a password field is asked of the focused application, which may take a
    // second to answer: the microphone opens first (on its own thread) and the HUD shows that it listens, so
    // the first words are recorded meanwhile and the user sees the take has started; a take into a password
    // field is called off afterwards, before anything of it is kept.
    std::function<void()> refusal;
    // This desktop asks no consent for the microphone: the probe says no only when there is no input
    // device, and the notice says so, as the microphone source does when it finds none.
    if (!probe(system_.micAuthorized)) {
        refusal = [this] {
            refuse(onNeedsSetup, MicSource::MicError(MicSource::MicError::noInput).message());
        };
    } else {
        if (currentRecognizer) recognizer_ = currentRecognizer();
        if (!recognizer_) {
            refusal = [this] { refuse(onNeedsSetup, QStringLiteral("云端识别还没配置好")); };
        } else if (probe(needsSignIn)) {
            refusal = [this] {
                refuse(onNeedsSignIn, probe(signInInPlace)
                                          ? QStringLiteral("先登录 Veskel 才能用口述和「问」")
                                          : QStringLiteral("先登录 Veskel 才能用口述和「问」，已打开设置"));
            };
        }
    }
    // A password field comes first among the reasons to refuse.
    if (refusal) return probe(system_.secureInput) ? refuse({}, secureRefusal()) : refusal();

    QPointer<VoiceController> self(this);
    QCoro::Task<> opening;
    try {
        opening = source_->start([self](float value) {
            // Meter values that arrive after the take ended are dropped.
            if (self && self->isRecording()) self->setLevel(value);
        });
    } catch (...) {
        if (probe(system_.secureInput)) return refuse({}, secureRefusal());
        return refuse({}, micFailure(std::current_exception()));
    }

    recognizer_->warmUp();
    setMode(mode);
    const std::uint64_t token = ++token_;
    recordingSince_ = clock_.uptime();
    setLevel(0);
    setPhase(VoicePhase::listening(false));
    write(QStringLiteral("开始听"));
    if (limitTimer_ != 0) scheduler_.cancel(limitTimer_);
    limitTimer_ = scheduler_.after(maxDuration, [self] {
        if (self) self->recordingLimitReached();
    });
    watchOpening(std::move(opening), token);
    checkPasswordField(token);
}

QString VoiceController::secureRefusal() {
    return QStringLiteral("密码框里不能用语音输入");
}

// Asked once the take shows: the answer may take the focused application a second.
QCoro::Task<> VoiceController::checkPasswordField(std::uint64_t token) {
    QPointer<VoiceController> self(this);
    if (shown) {
        co_await shown();
    } else {
        auto turn = scheduler_.sleep(0);
        co_await turn;
    }
    // A take let go of meanwhile is still asked about (its stop keeps the token): its text must not reach a
    // password field either. One called off or refused meanwhile has a new token.
    if (!self || token_ != token) co_return;
    if (!probe(system_.secureInput) || !self || token_ != token) co_return;
    if (isRecording()) endRecording();
    // A take that is stopping ends there: the new token below keeps its clip from recognition.
    source_->cancel();
    write(QStringLiteral("焦点在密码框里，这段不录了"));
    refuse({}, secureRefusal());
}

// The take listens while the microphone opens; a microphone that fails to open ends it with the failure.
QCoro::Task<> VoiceController::watchOpening(QCoro::Task<> opening, std::uint64_t token) {
    QPointer<VoiceController> self(this);
    std::exception_ptr error;
    try {
        co_await opening;
    } catch (...) {
        error = std::current_exception();
    }
    // Once the take stopped, its stop reports the failure.
    if (!error || !self || token_ != token || !isRecording()) co_return;
    endRecording();
    source_->cancel();
    refuse({}, micFailure(error));
}

QString VoiceController::micFailure(std::exception_ptr error) {
    return UserError::messageOf(error).value_or(QStringLiteral("麦克风打不开"));
}

void VoiceController::refuse(const std::function<void()>& callback, const QString& text) {
    call(callback);
    resetMachine();
    show(VoicePhase::notice(text, true));
}

void VoiceController::recordingLimitReached() {
    limitTimer_ = 0;
    if (!isRecording()) return;
    write(QStringLiteral("到达单段上限，自动结束"));
    resetMachine();
    stop();
}

void VoiceController::endRecording() {
    recordingSince_.reset();
    if (limitTimer_ != 0) scheduler_.cancel(limitTimer_);
    limitTimer_ = 0;
    setLevel(0);
}

void VoiceController::cancel(CancelReason reason) {
    if (!isRecording()) return;
    endRecording();
    source_->cancel();
    write(QStringLiteral("取消（%1）").arg(QLatin1String(name(reason))));
    setPhase(VoicePhase::idle());
}

void VoiceController::stop() {
    if (!isRecording()) return;
    const double since = *recordingSince_;
    endRecording();
    stopping_ = true;
    finishTake(since, token_);
}

// The listening phase stays up while the microphone takes in the take's last audio.
QCoro::Task<> VoiceController::finishTake(double since, std::uint64_t token) {
    QPointer<VoiceController> self(this);
    AudioClip clip;
    std::exception_ptr error;
    try {
        auto stopping = source_->stop(); // the tail starts now
        // Meanwhile the insertion's reads of the desktop, so none of them waits after the answer.
        inserter_.prepare();
        clip = co_await stopping;
    } catch (...) {
        error = std::current_exception();
    }
    if (!self) co_return;
    stopping_ = false; // whatever happened meanwhile, the next press may start a take again
    if (token_ != token) co_return;
    if (error) {
        refuse({}, micFailure(error));
        co_return;
    }
    const double released = clock_.uptime();
    write(QStringLiteral("松开，录音 ") + VoiceText::ms(released - since));

    if (clip.duration() < minTake) {
        setPhase(VoicePhase::idle());
        co_return;
    }
    if (clip.peak < quietPeak)
        write(QStringLiteral("录音偏轻（峰值 %1），放大后识别")
                  .arg(QString::asprintf("%.3f", double(clip.peak))));

    if (const auto* mic = dynamic_cast<const MicDiagnostics*>(source_.get())) {
        const bool zeros = mic->lastWasDigitalSilence();
        write(QStringLiteral("麦克风：") + mic->lastDiagnosis() +
              (zeros ? QStringLiteral("，收到的全是 0") : QString()));
        if (zeros) {
            call(onNeedsSetup);
            show(VoicePhase::notice(QStringLiteral("麦克风没有声音：检查麦克风权限和「声音 → 输入」设备"),
                                    true));
            co_return;
        }
    }

    if (clip.isSilent()) {
        write(QStringLiteral("音量太小（峰值 %1），不发云端")
                  .arg(QString::asprintf("%.4f", double(clip.peak))));
        show(VoicePhase::notice(QStringLiteral("声音太小：靠近麦克风，或在「") +
                                    PlatformWords::settingsApp() +
                                    QStringLiteral(" → 声音 → 输入」调大输入音量"),
                                false));
        co_return;
    }

    clip = clip.normalized(0.5f, 40.0f);
    const double voiced = clip.voicedDuration();
    if (voiced < AudioClip::minVoiced) {
        write(QStringLiteral("有效说话太短（%1），不发云端").arg(VoiceText::ms(voiced)));
        show(VoicePhase::notice(QStringLiteral("没听清，再说一次"), false));
        co_return;
    }
    process(std::move(clip), mode_, released, false);
}

void VoiceController::show(VoicePhase phase) {
    const std::uint64_t token = ++token_;
    const double fade = phase.is(VoicePhase::Kind::done) ? doneFade : noticeFade;
    setPhase(std::move(phase));
    QPointer<VoiceController> self(this);
    scheduler_.after(fade, [self, token] {
        if (self && self->token_ == token && !self->isRecording()) self->setPhase(VoicePhase::idle());
    });
}

void VoiceController::resetMachine() {
    machine_.reset(probe(system_.fnIsDown));
    updateSwallowable();
}

void VoiceController::setPhase(VoicePhase phase) {
    phase_ = std::move(phase);
    emit phaseChanged();
    updateSwallowable();
}

void VoiceController::setLevel(float level) {
    level_ = level;
    emit levelChanged();
}

void VoiceController::setLastText(std::optional<QString> text) {
    lastText_ = std::move(text);
    emit lastTextChanged();
}

void VoiceController::setFailedClip(std::optional<AudioClip> clip) {
    failedClip_ = std::move(clip);
    emit failedClipChanged();
}

void VoiceController::setMode(VoiceMode mode) {
    mode_ = mode;
    emit modeChanged();
}

void VoiceController::updateSwallowable() {
    std::set<int> keys(swallowedUps_.begin(), swallowedUps_.end());
    // The hotkey machine swallows Esc and Space while Fn is held for a take, Esc alone in hands-free,
    // Space alone while it waits for Fn to go up (and owes swallows to their repeats and key-ups for as
    // long as it remembers them). A key grabbed beyond that would hold up every press of it for nothing.
    using S = HotkeyMachine::State::Kind;
    const S state = machine_.state().kind;
    if (state == S::holding || state == S::handsFree) keys.insert(KeyCode::escape);
    if (state == S::holding || state == S::waitingFnUp) keys.insert(KeyCode::space);
    for (const int code : {KeyCode::escape, KeyCode::space})
        if (machine_.swallowing().contains(code)) keys.insert(code);
    if (phase_.is(VoicePhase::Kind::choosing)) {
        keys.insert(KeyCode::escape);
        for (const int code : ChooseKeys::codes)
            keys.insert(code);
    }
    QList<int> list(keys.begin(), keys.end());
    if (list == swallowable_) return;
    swallowable_ = std::move(list);
    emit swallowableKeysChanged();
}

void VoiceController::write(const QString& line) const {
    if (log) log(line);
}

void VoiceController::call(const std::function<void()>& callback) {
    if (callback) callback();
}

bool VoiceController::probe(const std::function<bool()>& probe) {
    return probe ? probe() : false;
}

} // namespace mivora
