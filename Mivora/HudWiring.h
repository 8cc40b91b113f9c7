#pragma once

#include <memory>

namespace mivora {

class AppDelegate;
class Defaults;
class HUDPanel;

// Makes the recording HUD's window and plugs it into the delegate's hooks; call before `launch`. The
// window follows the voice controller's phase, mode and level once the controller exists.
std::unique_ptr<HUDPanel> wireHud(AppDelegate& delegate, const Defaults& defaults);

// Feeds the voice controller's state to the HUD; call after `launch`.
void followVoice(AppDelegate& delegate, HUDPanel& hud);

} // namespace mivora
