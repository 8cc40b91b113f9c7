#pragma once

#include <array>
#include <optional>

namespace mivora {

// The keys that pick one of the numbered recall choices: the main-row digits 1 to 3, the keypad digits
// 1 to 3, Return and keypad Enter (both pick the first choice).
namespace ChooseKeys {

inline constexpr std::array<int, 8> codes = {18, 19, 20, 83, 84, 85, 36, 76};

// The choice index a key picks, or absent for any other key.
constexpr std::optional<int> index(int code) {
    switch (code) {
    case 18: // 1
    case 83: // keypad 1
    case 36: // Return
    case 76: // keypad Enter
        return 0;
    case 19: // 2
    case 84: // keypad 2
        return 1;
    case 20: // 3
    case 85: // keypad 3
        return 2;
    default:
        return std::nullopt;
    }
}

} // namespace ChooseKeys
} // namespace mivora
