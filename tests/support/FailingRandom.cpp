#include "support/FailingRandom.h"

#include <openssl/rand.h>

#include <dlfcn.h>

#include <atomic>

namespace {
std::atomic<int> failing{0};
} // namespace

int RAND_bytes(unsigned char* buf, int num) {
    if (failing.load() > 0) return 0;
    using Real = int (*)(unsigned char*, int);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "RAND_bytes"));
    return real ? real(buf, num) : 0;
}

namespace mivora::test {

// Out of line, so that a program using the class links this file's RAND_bytes.
FailingRandom::FailingRandom() {
    ++failing;
}
FailingRandom::~FailingRandom() {
    --failing;
}

} // namespace mivora::test
