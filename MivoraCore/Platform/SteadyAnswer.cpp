#include "Platform/SteadyAnswer.h"

namespace mivora {

bool SteadyAnswer::take(std::optional<bool> answer) {
    if (answer) {
        late_ = 0;
        last_ = answer;
        return *answer;
    }
    if (last_.value_or(false) && ++late_ <= lateAnswersKept) return true;
    last_ = false;
    return false;
}

} // namespace mivora
