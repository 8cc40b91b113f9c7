#pragma once

#include "Platform/AudioInput.h"
#include "Support/UserError.h"

#include <vector>

namespace mivora::test {

// A microphone the test drives: it hands the running capture the buffers the test delivers.
class FakeAudioInput final : public AudioInput {
public:
    Format nextFormat{16000, 1};
    const char* startFailure = nullptr; // thrown by start
    int starts = 0;
    // Runs inside stop() while the capture still runs: a buffer that was in flight.
    std::function<void()> duringStop;

    Format format() override { return nextFormat; }
    void start(Handler handler) override {
        ++starts;
        if (startFailure) throw UserError(QString::fromUtf8(startFailure));
        handler_ = std::move(handler);
    }
    void stop() override {
        if (duringStop) std::exchange(duringStop, nullptr)();
        handler_ = nullptr;
    }
    void setChangeHandler(std::function<void()> onChange) override { onChange_ = std::move(onChange); }

    bool recording() const { return bool(handler_); }
    void deliver(const std::vector<std::int16_t>& samples) {
        if (handler_) handler_({{}, samples});
    }
    void deliver(const std::vector<float>& samples) {
        if (handler_) handler_({samples, {}});
    }
    // The system's input changes.
    void change() { onChange_(); }

private:
    Handler handler_;
    std::function<void()> onChange_;
};

} // namespace mivora::test
