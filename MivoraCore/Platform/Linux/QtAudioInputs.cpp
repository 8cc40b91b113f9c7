#include "Platform/Linux/QtAudioInputs.h"

#include <QAudioDevice>
#include <QMediaDevices>

namespace mivora {

AudioInputs& AudioInputs::desktop() {
    static QtAudioInputs inputs;
    return inputs;
}

bool QtAudioInputs::available() {
    return !QMediaDevices::audioInputs().isEmpty();
}

} // namespace mivora
