#include "support/FakeAudioInput.h"

#include <stdexcept>

namespace mivora::test {

void FakeAudioInput::start(Handler handler) {
    ++starts;
    if (startFailure) throw std::runtime_error(startFailure->toStdString());
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void FakeAudioInput::stop() {
    ++stops;
    if (duringStop) duringStop();
    std::lock_guard lock(mutex_);
    handler_ = nullptr;
}

bool FakeAudioInput::recording() {
    std::lock_guard lock(mutex_);
    return bool(handler_);
}

void FakeAudioInput::deliver(const std::vector<std::int16_t>& samples) {
    std::lock_guard lock(mutex_);
    if (handler_) handler_(Buffer{{}, samples});
}

void FakeAudioInput::deliver(const std::vector<float>& samples) {
    std::lock_guard lock(mutex_);
    if (handler_) handler_(Buffer{samples, {}});
}

} // namespace mivora::test
