#pragma once

#include "Keys/KeyInput.h"

#include <functional>
#include <optional>

namespace mivora {

// Every key event of the tap goes to the typing suggestions first; only an event they leave alone
// (absent answer) reaches the voice controller. The answer tells the tap whether to swallow the event.
struct KeyRouter {
    // The suggestion controller's answer: swallow (true), pass untouched (false), not its business
    // (absent). Unset: every event is the voice controller's.
    std::function<std::optional<bool>(const KeyInput&)> suggest;
    // The voice controller's answer for the event and its uptime stamp; unset answers false.
    std::function<bool(const KeyInput&, double)> voice;

    bool route(const KeyInput& input, double time) const {
        if (suggest)
            if (const std::optional<bool> answer = suggest(input)) return *answer;
        return voice && voice(input, time);
    }
};

} // namespace mivora
