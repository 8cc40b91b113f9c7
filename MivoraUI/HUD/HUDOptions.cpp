#include "MivoraUI/HUD/HUDOptions.h"

#include "MivoraUI/Kit/UI.h"
#include "Platform/PlatformWords.h"

namespace mivora {

HUDOptions HUDOptions::from(const Defaults& defaults) {
    return {UI::reduceMotion(defaults), PlatformWords::hotkeyName(defaults)};
}

} // namespace mivora
