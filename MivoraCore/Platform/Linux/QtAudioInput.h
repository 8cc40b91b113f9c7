#pragma once

#include "Platform/AudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>

#include <memory>

namespace mivora {

class PulseWatcher;
class Scheduler;

// The microphone through Qt Multimedia's QAudioSource (PulseAudio or PipeWire). The device is the sound
// server's default input; while recording, the server is watched, and a change of its default input (or
// the loss of the device) is reported. Capture runs on a thread of its own, so a slow or stuck sound
// server never blocks the main thread: opening the device is awaited, with a deadline. Buffers pass a
// gate that `stop` closes.
class QtAudioInput final : public QObject, public AudioInput {
    Q_OBJECT
public:
    explicit QtAudioInput(Scheduler& scheduler, QObject* parent = nullptr);
    ~QtAudioInput() override;

    Format format() override;
    QCoro::Task<> start(Handler handler) override;
    void stop() override;
    void setChangeHandler(std::function<void()> onChange) override { onChange_ = std::move(onChange); }

    // Milliseconds `start` waits for the sound server before it gives up.
    static constexpr int startTimeoutMs = 3000;

private:
    struct Gate;
    struct Capture;
    struct Opening;
    QAudioDevice chooseDevice() const;
    void devicesChanged(int attempt);
    void changed();

    QAudioDevice device_;                   // chosen by the last format()
    QAudioDevice inUse_;                    // the device being recorded from
    QAudioFormat format_;                   // what is asked of it
    std::shared_ptr<Gate> gate_;            // open while opening and recording
    std::shared_ptr<Opening> opening_;      // while the device opens
    Capture* capture_ = nullptr;            // the capture thread and what lives on it
    std::unique_ptr<PulseWatcher> watcher_; // while recording
    std::function<void()> onChange_;
    Scheduler& scheduler_;
};

} // namespace mivora
