#pragma once

#include "Dictation/RecallChoice.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace mivora {

// What a take does with its transcript: type it, or look it up among the memories.
enum class VoiceMode { dictate, recall };

// The voice controller's visible state, drawn by the recording HUD and the status icon. Payload fields
// that do not belong to the kind stay at their defaults, so equality compares kind and payload.
struct VoicePhase {
    enum class Kind { listening, notice, choosing, idle, processing, done };

    Kind kind = Kind::idle;
    bool handsFree = false;       // listening
    QString text;                 // notice
    bool isError = false;         // notice
    QList<RecallChoice> choices;  // choosing
    std::optional<QString> armed; // choosing: the memory id awaiting its second press

    static VoicePhase idle() { return {}; }
    static VoicePhase listening(bool handsFree) {
        VoicePhase p;
        p.kind = Kind::listening;
        p.handsFree = handsFree;
        return p;
    }
    static VoicePhase notice(QString text, bool isError) {
        VoicePhase p;
        p.kind = Kind::notice;
        p.text = std::move(text);
        p.isError = isError;
        return p;
    }
    static VoicePhase choosing(QList<RecallChoice> choices, std::optional<QString> armed) {
        VoicePhase p;
        p.kind = Kind::choosing;
        p.choices = std::move(choices);
        p.armed = std::move(armed);
        return p;
    }
    static VoicePhase processing() {
        VoicePhase p;
        p.kind = Kind::processing;
        return p;
    }
    static VoicePhase done() {
        VoicePhase p;
        p.kind = Kind::done;
        return p;
    }

    bool is(Kind k) const { return kind == k; }
    bool operator==(const VoicePhase&) const = default;
};

} // namespace mivora

Q_DECLARE_METATYPE(mivora::VoicePhase)
Q_DECLARE_METATYPE(mivora::VoiceMode)
