#pragma once

#include <optional>

namespace mivora {

// What a probe of another process last said, kept through a few late answers in a row. On a busy machine
// a service that is there misses a short deadline now and then; readiness built on it must not turn to
// "missing" for one poll, while a service that stays silent is reported gone after a few.
class SteadyAnswer {
public:
    static constexpr int lateAnswersKept = 3;

    // `answer`: what the probe said, or nothing when it was late. Returns what to believe now.
    bool take(std::optional<bool> answer);
    // Whether any answer came yet: a first late one is worth asking again at once.
    bool known() const { return last_.has_value(); }

private:
    std::optional<bool> last_;
    int late_ = 0;
};

} // namespace mivora
