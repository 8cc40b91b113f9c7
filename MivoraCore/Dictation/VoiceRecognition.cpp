// The second half of a take: recognition of the accepted clip, the transcript or failure, the retry of a
// failed clip, and the insertion of the text with its timing report.

#include "Dictation/VoiceController.h"

#include "Dictation/VoiceText.h"
#include "Support/Text.h"
#include "Support/UserError.h"

#include <QPointer>

namespace mivora {

void VoiceController::process(AudioClip clip, VoiceMode mode, double released, bool retry) {
    if (!recognizer_) return;
    const std::uint64_t token = ++token_;
    setPhase(VoicePhase::processing());
    // Runs on by itself; the take counter decides whether its outcome still matters.
    recognize(recognizer_, std::move(clip), mode, released, vocabulary(), token, retry);
}

QCoro::Task<> VoiceController::recognize(std::shared_ptr<Recognizer> recognizer, AudioClip clip,
                                         VoiceMode mode, double released, QStringList vocabulary,
                                         std::uint64_t token, bool retry) {
    QPointer<VoiceController> self(this);
    QString text;
    std::exception_ptr error;
    try {
        if (mode == VoiceMode::dictate)
            text = co_await recognizer->recognize(clip, vocabulary);
        else
            text = co_await recognizer->transcribe(clip, vocabulary);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self) co_return;
    if (error) {
        applyFailure(error, std::move(clip), mode, token);
        co_return;
    }
    try {
        co_await applyResult(std::move(text), std::move(clip), mode, released, token, retry);
    } catch (...) {
        // Nothing below throws by contract; a detached task must not lose an exception into Qt.
    }
}

QCoro::Task<> VoiceController::applyResult(QString text, AudioClip clip, VoiceMode mode, double released,
                                           std::uint64_t token, bool retry) {
    text = text.trimmed();
    if (token_ != token) co_return;
    write(QStringLiteral("识别完成 ") + VoiceText::ms(clock_.uptime() - released));
    if (text.isEmpty()) {
        show(VoicePhase::notice(QStringLiteral("没听清，再说一次"), false));
        co_return;
    }
    // The failed clip stays offered for retry until that very clip has been recognised; a later,
    // unrelated take that succeeds must not take the user's unsent recording away.
    if (retry && failedClip_ == clip) setFailedClip(std::nullopt);
    const double audio = clip.duration();
    if (mode == VoiceMode::dictate) {
        setLastText(text);
        co_await insert(text, released, audio);
    } else {
        recall(text, released, audio);
    }
}

void VoiceController::applyFailure(std::exception_ptr error, AudioClip clip, VoiceMode mode,
                                   std::uint64_t token) {
    if (token_ != token) return;
    setFailedClip(std::move(clip));
    failedMode_ = mode;
    const QString message = UserError::messageOf(error).value_or(QStringLiteral("网络出错"));
    write(QStringLiteral("识别失败：") + message);
    show(VoicePhase::notice(message + QStringLiteral("，可在菜单里重试"), true));
}

void VoiceController::retryLast() {
    // While a take is still ending, its own recognition comes next: a retry now would drop that take.
    if (!failedClip_ || isRecording() || stopping_ || phase_.is(VoicePhase::Kind::processing)) return;
    if (currentRecognizer) recognizer_ = currentRecognizer();
    if (!recognizer_) return refuse(onNeedsSetup, QStringLiteral("云端识别还没配置好"));
    process(*failedClip_, failedMode_, clock_.uptime(), true);
}

QCoro::Task<> VoiceController::insert(QString text, double released, double audio, bool sensitive) {
    QPointer<VoiceController> self(this);
    const std::uint64_t token = token_;
    // A secret is inserted so that whatever of it stays on the clipboard is hidden from clipboard managers.
    // An input method composing in the field may keep the paste key to itself (ibus does): the text then
    // counts only once it is seen in the field, and otherwise stays on the clipboard.
    InsertResult result;
    if (probe(composing))
        result = co_await inserter_.insertOverComposition(text, sensitive);
    else if (sensitive)
        result = co_await inserter_.insertSensitive(text);
    else
        result = co_await inserter_.insert(text);
    if (!self) co_return;

    Timing timing;
    timing.audio = audio;
    timing.releaseToInsert = clock_.uptime() - released;
    timing.result = result;
    timing.chars = int(Text::graphemeCount(text));
    timing.mode = mode_;
    write(QStringLiteral("上屏 ") + VoiceText::ms(timing.releaseToInsert) +
          (result.isInserted() ? QStringLiteral("（已插入）") : QStringLiteral("（留在剪贴板）")));
    // Reported for every completed insertion, even when a newer take has started since.
    if (onTiming) onTiming(timing);
    if (!self || token_ != token) co_return;
    if (result.isInserted())
        show(VoicePhase::done());
    else
        show(VoicePhase::notice(result.hint, false));
}

} // namespace mivora
