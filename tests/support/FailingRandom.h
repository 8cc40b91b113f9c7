#pragma once

namespace mivora::test {

// While one exists, OpenSSL's secure random source (RAND_bytes) reports failure and writes nothing, as a
// source without entropy does. A program that links this file gets its RAND_bytes in place of the
// library's; outside such a scope it passes every call on.
class FailingRandom {
public:
    FailingRandom();
    ~FailingRandom();
    FailingRandom(const FailingRandom&) = delete;
    FailingRandom& operator=(const FailingRandom&) = delete;
};

} // namespace mivora::test
