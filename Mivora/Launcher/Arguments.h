#pragma once

#include <span>

namespace mivora {

// What a start asks for: its arguments after argument 0, which only names the program (however the caller
// spelled it) and asks for nothing. The launcher and the programs it becomes read the same ones; the C
// library is all this needs, as the launcher links nothing else.
inline std::span<char* const> askedArguments(int argc, char* const* argv) {
    if (argc < 2) return {};
    return {argv + 1, static_cast<std::size_t>(argc - 1)};
}

} // namespace mivora
