#pragma once

#include "Platform/AudioInput.h"

#include <QString>

#include <mutex>
#include <optional>
#include <vector>

namespace mivora::test {

// A microphone driven by the test: it delivers whatever buffers the test hands it (from any thread).
class FakeAudioInput final : public AudioInput {
public:
    Format nextFormat{16000, 1};
    std::optional<QString> startFailure; // thrown by start
    int starts = 0;
    int stops = 0;
    // Runs inside stop() while the capture still counts as running: a buffer that was in flight.
    std::function<void()> duringStop;

    Format format() override { return nextFormat; }
    void start(Handler handler) override;
    void stop() override;
    void setChangeHandler(std::function<void()> onChange) override { onChange_ = std::move(onChange); }

    bool recording();
    // Hands one buffer to the running capture; ignored when none runs.
    void deliver(const std::vector<std::int16_t>& samples);
    void deliver(const std::vector<float>& samples);
    // The system's input changes.
    void change() {
        if (onChange_) onChange_();
    }

private:
    std::mutex mutex_;
    Handler handler_;
    std::function<void()> onChange_;
};

} // namespace mivora::test
