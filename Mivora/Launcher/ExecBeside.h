#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace mivora {

// Becomes the program `name` that sits beside the running executable, in this same process (same pid,
// arguments and environment). Returns only when that fails, having said why on stderr; the exit status.
inline int execBeside(const char* name, char** argv) {
    char program[4096];
    const ssize_t n = readlink("/proc/self/exe", program, sizeof program - 1);
    std::size_t folderEnd = 0;
    for (ssize_t i = 0; i < n; ++i)
        if (program[i] == '/') folderEnd = std::size_t(i) + 1;
    std::snprintf(program + folderEnd, sizeof program - folderEnd, "%s", name);
    execv(program, argv);
    std::fprintf(stderr, "Mivora 没装完整，启动不了：%s（%s）\n", program, std::strerror(errno));
    return 1;
}

} // namespace mivora
