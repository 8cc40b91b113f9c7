#pragma once

#include <QString>

namespace mivora {

// What a live microphone source can tell about its last take, beyond the clip itself. The voice
// controller asks its source for this (by dynamic_cast) after each take, for its log line and to tell a
// muted or unauthorised microphone (nothing but exact zeros) from a quiet room. Other sources, such as
// an audio file played back, do not implement it.
class MicDiagnostics {
public:
    virtual ~MicDiagnostics() = default;
    // Describes the input format of the last capture start, e.g. "输入 1 声道 48000Hz".
    virtual QString lastDiagnosis() const = 0;
    // True when the last finished take received nothing but exact zeros.
    virtual bool lastWasDigitalSilence() const = 0;
};

} // namespace mivora
