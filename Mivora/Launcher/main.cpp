// The file users start, kept to the C library so that it costs next to nothing: a start that asks to
// recognise a file goes to the command-line recogniser, which loads only what that needs (the desktop
// program's libraries take longer to load than the recognition itself); every other start becomes the
// desktop program.
#include "Arguments.h"
#include "ExecBeside.h"

#include <algorithm>
#include <cstring>

int main(int argc, char** argv) {
    const auto asked = mivora::askedArguments(argc, argv);
    const bool recognize = std::any_of(asked.begin(), asked.end(),
                                       [](const char* a) { return std::strcmp(a, "-recognize") == 0; });
    return mivora::execBeside(recognize ? "mivora_recognize" : "mivora_desktop", argv);
}
