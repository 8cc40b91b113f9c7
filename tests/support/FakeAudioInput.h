#pragma once

#include "Platform/AudioInput.h"
#include "Support/UserError.h"

#include "support/Deferred.h"

#include <QString>

#include <exception>
#include <vector>

namespace mivora::test {

// A microphone the test drives: it hands the running capture the buffers the test delivers. With
// `slowOpening` set, a start keeps opening (buffers already reach the capture) until the test calls
// `open`; a stop meanwhile ends the opening without an error, as the real device does.
class FakeAudioInput final : public AudioInput {
public:
    ~FakeAudioInput() override { opening_.settleAll({}); }

    Format nextFormat{16000, 1};
    std::exception_ptr startFailure; // thrown by start
    bool slowOpening = false;
    int starts = 0;
    // Runs inside stop() while the capture still runs: a buffer that was in flight.
    std::function<void()> duringStop;

    Format format() override { return nextFormat; }
    QCoro::Task<> start(Handler handler) override {
        ++starts;
        if (startFailure) std::rethrow_exception(startFailure);
        handler_ = std::move(handler);
        if (!slowOpening) co_return;
        auto answer = opening_.next();
        const QString failure = co_await answer;
        if (failure.isEmpty()) co_return;
        handler_ = nullptr;
        throw UserError(failure);
    }
    void stop() override {
        if (duringStop) std::exchange(duringStop, nullptr)();
        handler_ = nullptr;
        opening_.settle({});
    }
    void setChangeHandler(std::function<void()> onChange) override { onChange_ = std::move(onChange); }

    // The device opening finishes: it records, or fails with `failure`.
    void open(QString failure = {}) { opening_.settle(std::move(failure)); }

    bool recording() const { return bool(handler_); }
    void deliver(const std::vector<std::int16_t>& samples) {
        if (handler_) handler_({{}, samples});
    }
    // The system's input changes.
    void change() { onChange_(); }

private:
    Handler handler_;
    std::function<void()> onChange_;
    Deferred<QString> opening_;
};

} // namespace mivora::test
