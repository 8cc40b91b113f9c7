#pragma once

#include <QCoro/QCoroTask>

#include <cstdint>
#include <functional>
#include <span>

namespace mivora {

// The microphone as a stream of buffers on a capture thread.
class AudioInput {
public:
    // The input device's own format; a rate of 0 or no channels means there is no input device.
    struct Format {
        double sampleRate = 0;
        int channels = 0;
    };
    // One delivered buffer of interleaved samples, as floats (full scale ±1) or as 16-bit integers.
    struct Buffer {
        std::span<const float> floats;
        std::span<const std::int16_t> ints;
    };
    using Handler = std::function<void(const Buffer&)>;

    virtual ~AudioInput() = default;

    // The format of the device the next `start` records from (the system's current input).
    virtual Format format() = 0;
    // Starts recording from that device; `handler` receives every buffer on the capture thread, from the
    // first one on, even before the task ends. The task ends once the device records; it throws
    // UserError with a Chinese message when the device cannot be started or the sound server does
    // not answer in time. A `stop` while the device opens ends the task without an error.
    virtual QCoro::Task<> start(Handler handler) = 0;
    // Stops recording (or opening). When it returns no handler call is running and none will follow.
    virtual void stop() = 0;
    // Called on the main thread while recording when the device in use went away or the system's
    // input changed to another device.
    virtual void setChangeHandler(std::function<void()> onChange) = 0;
};

} // namespace mivora
