#pragma once

#include "Platform/AudioInputs.h"

#include <memory>

namespace mivora {

// The sound inputs Qt Multimedia lists (PulseAudio or PipeWire). Qt's first use connects to the sound
// server and waits for it, up to 30 s when the server accepts the connection but does not answer (a
// stopped server), so the list is not asked for until the server has answered once. Until then there is
// no input; a thread of its own asks the server again until it answers, and the change handler is then
// called on the main thread.
class QtAudioInputs final : public AudioInputs {
public:
    QtAudioInputs();
    ~QtAudioInputs() override;
    QtAudioInputs(const QtAudioInputs&) = delete;
    QtAudioInputs& operator=(const QtAudioInputs&) = delete;

    bool available() override;
    void setChangeHandler(std::function<void()> onChange) override;

    // How long the first question waits for the server on the caller's thread: far longer than a running
    // server takes to answer, short enough not to be felt.
    static constexpr int firstAnswerMs = 500;

private:
    struct Probe;
    std::shared_ptr<Probe> probe_;
    bool answered_ = false;
};

} // namespace mivora
