#pragma once

#include "Audio/AudioClip.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>

namespace mivora {

// Turns one take into text. Failures are thrown (CloudASR::Failure, file errors) and carry a Chinese
// message; an empty result means nothing was heard.
class Recognizer {
public:
    virtual ~Recognizer() = default;
    // Dictation: transcription, then a clean-up when the text looks untidy.
    virtual QCoro::Task<QString> recognize(AudioClip clip, QStringList vocabulary) = 0;
    // Voice recall: transcription only.
    virtual QCoro::Task<QString> transcribe(AudioClip clip, QStringList vocabulary) = 0;
    // Opens the connection early, at the start of a recording. Returns at once.
    virtual void warmUp() {}
};

} // namespace mivora
