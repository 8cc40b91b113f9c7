#pragma once

#include "Platform/KeyCodes.h"

#include <array>
#include <optional>

namespace mivora {

// The keys that pick one of the numbered recall choices: the main-row digits 1 to 3, the keypad digits
// 1 to 3, Return and keypad Enter (both pick the first choice).
namespace ChooseKeys {

inline constexpr std::array<int, 8> codes = {KeyCode::digit1,    KeyCode::digit2,     KeyCode::digit3,
                                             KeyCode::keypad1,   KeyCode::keypad2,    KeyCode::keypad3,
                                             KeyCode::returnKey, KeyCode::keypadEnter};

// The choice index a key picks, or absent for any other key.
constexpr std::optional<int> index(int code) {
    switch (code) {
    case KeyCode::digit1:
    case KeyCode::keypad1:
    case KeyCode::returnKey:
    case KeyCode::keypadEnter:
        return 0;
    case KeyCode::digit2:
    case KeyCode::keypad2:
        return 1;
    case KeyCode::digit3:
    case KeyCode::keypad3:
        return 2;
    default:
        return std::nullopt;
    }
}

} // namespace ChooseKeys
} // namespace mivora
