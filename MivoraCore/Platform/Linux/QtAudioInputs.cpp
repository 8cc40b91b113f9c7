#include "Platform/Linux/QtAudioInputs.h"

#include <QAudioDevice>
#include <QMediaDevices>

namespace mivora {

bool QtAudioInputs::available() {
    return !QMediaDevices::audioInputs().isEmpty();
}

} // namespace mivora
