// Voice recall: a recall take's transcript matched against the memories, one confident match inserted at
// once, several offered as numbered choices, a second press for sensitive memories, and the lapse.

#include "Dictation/VoiceController.h"

#include "Keys/ChooseKeys.h"
#include "Memories/MemoryStore.h"
#include "Memories/Recall.h"
#include "Support/Text.h"

#include <QPointer>

#include <algorithm>

namespace mivora {

namespace {
constexpr double choicesLapse = 12;
constexpr qsizetype notFoundChars = 12;
} // namespace

QStringList VoiceController::vocabulary() const {
    return memories_ ? memories_->vocabulary() : QStringList();
}

void VoiceController::recall(const QString& text, double released, double audio) {
    const QList<Memory> all = memories_ ? memories_->memories() : QList<Memory>();
    const QList<RecallHit> hits = Recall::recall(text, all, clock_.now());
    if (const auto memory = Recall::autoInsertCandidate(hits)) {
        write(QStringLiteral("唤起：直接填入"));
        fill(*memory, released, audio);
        return;
    }
    const QList<RecallHit> strong = Recall::strong(hits);
    if (strong.isEmpty()) {
        write(QStringLiteral("唤起：没找到"));
        if (all.isEmpty()) {
            call(onNeedsMemories);
            show(VoicePhase::notice(QStringLiteral("还没有记忆，先存几条"), false));
        } else {
            show(VoicePhase::notice(QStringLiteral("没找到「%1」").arg(Text::prefix(text, notFoundChars)),
                                    false));
        }
        return;
    }
    write(QStringLiteral("唤起：%1 条候选").arg(strong.size()));
    // Numbered choices take the digits, and the keys taken from the application make its input method
    // commit the composition as raw letters: none are shown over it.
    if (probe(composing)) {
        write(QStringLiteral("唤起：输入法还在输入，没给候选"));
        show(VoicePhase::notice(QStringLiteral("输入法还在输入，先上屏或取消再唤起"), false));
        return;
    }
    pendingRelease_ = Release{released, audio};
    QList<RecallChoice> choices;
    for (const RecallHit& hit : strong) {
        const Memory& m = hit.memory;
        choices.append({m.id, m.title, m.sensitive ? RecallChoice::sensitivePreview : m.value, m.sensitive});
    }
    presentChoices(std::move(choices), std::nullopt);
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
        if (input.code == KeyCode::escape) {
            swallowedUps_.insert(input.code);
            setPhase(VoicePhase::idle());
            return true;
        }
        // A held choose key repeats the press (the second press of a sensitive choice).
        if (const auto index = ChooseKeys::index(input.code)) {
            swallowedUps_.insert(input.code);
            pick(*index);
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

void VoiceController::pick(qsizetype index) {
    const VoicePhase choosing = phase_;
    if (index >= choosing.choices.size() || !memories_) return;
    const RecallChoice& choice = choosing.choices[index];
    const QList<Memory>& all = memories_->memories();
    const auto it = std::find_if(all.begin(), all.end(), [&](const Memory& m) { return m.id == choice.id; });
    if (it == all.end()) return; // deleted while the choices were shown
    const Memory memory = *it;
    if (memory.sensitive && choosing.armed != memory.id) {
        presentChoices(choosing.choices, memory.id);
        return;
    }
    const Release release = pendingRelease_.value_or(Release{clock_.uptime(), 0});
    write(QStringLiteral("唤起：选了第 %1 条").arg(index + 1));
    // The choices end with the pick: a second press or an auto-repeat of the key must not insert the
    // memory again while the first insertion runs.
    setPhase(VoicePhase::processing());
    fill(memory, release.released, release.audio);
}

void VoiceController::fill(const Memory& memory, double released, double audio) {
    if (memories_) memories_->markUsed(memory.id);
    // Sensitive values never become the last text (which a menu command copies).
    if (!memory.sensitive) setLastText(memory.value);
    insertDetached(memory.value, released, audio, memory.sensitive);
}

QCoro::Task<> VoiceController::insertDetached(QString text, double released, double audio, bool sensitive) {
    QPointer<VoiceController> self(this);
    try {
        // A numbered pick is made inside its key's handler, while the key source holds the keyboard (until
        // the key is answered, and while it is down). The insertion reads the focus, which a GTK field has
        // given up to the held keyboard, and may wait seconds on the clipboard's owner: it starts once the
        // key is up.
        if (keysSettled) {
            co_await keysSettled();
        } else {
            auto answered = scheduler_.sleep(0);
            co_await answered;
        }
        if (!self) co_return;
        co_await insert(std::move(text), released, audio, sensitive);
    } catch (...) {
        // The inserter does not throw by contract; a detached task must not lose an exception into Qt.
    }
}

} // namespace mivora
