#pragma once

#include "Dictation/VoicePhase.h"
#include "MivoraUI/Model/Lesson.h"
#include "Suggest/SuggestController.h"

#include <QString>

#include <optional>
#include <vector>

namespace mivora {

// What the demonstration plays for each lesson, as data: one cycle is a list of rows, each a set of changes
// followed by an optional pause. The player runs a cycle again and again.
namespace DemoScript {

struct Row {
    std::optional<bool> fn, shift, tab, chip;
    std::optional<VoicePhase::Kind> hud;
    // Replaces the field's text (or is appended to it); `animated` fades the new part in.
    const char* text = nullptr;
    bool append = false;
    bool animated = false;
    // Typed one character at a time, each followed by a pause of `speed` seconds.
    const char* type = nullptr;
    double speed = 0;
    // Seconds to wait after the row; 0 goes straight on.
    double pause = 0;
};

// One whole cycle: the reset and its 0.9 s, the lesson's own rows, then 0.6 s, the HUD back to idle and
// 2.4 s.
const std::vector<Row>& cycle(Lesson lesson);
// What the field shows when motion is reduced: the result of the gesture, nothing else.
QString endText(Lesson lesson);
// The suggestion the typing lesson's chip shows.
SuggestController::Offer offer();

} // namespace DemoScript
} // namespace mivora
