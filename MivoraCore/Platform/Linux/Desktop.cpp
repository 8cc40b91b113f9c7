#include "Platform/Desktop.h"

#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/QtAudioInput.h"
#include "Platform/Linux/QtPasteboard.h"
#include "Platform/Linux/X11FrontApplication.h"
#include "Platform/Linux/X11SyntheticKeys.h"

namespace mivora::Desktop {

Pasteboard& pasteboard() {
    return QtPasteboard::general();
}

SyntheticKeys& syntheticKeys() {
    return X11SyntheticKeys::shared();
}

Accessibility& accessibility() {
    return AtspiAccessibility::shared();
}

FrontApplication& frontApplication() {
    return X11FrontApplication::shared();
}

std::unique_ptr<AudioInput> makeAudioInput() {
    return std::make_unique<QtAudioInput>();
}

} // namespace mivora::Desktop
