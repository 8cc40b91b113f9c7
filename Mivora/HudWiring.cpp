#include "HudWiring.h"

#include "AppDelegate.h"
#include "MivoraUI/HUD/HUDPanel.h"
#include "MivoraUI/HUD/HUDView.h"
#include "Platform/Linux/Compositing.h"

namespace mivora {

std::unique_ptr<HUDPanel> wireHud(AppDelegate& delegate, const Defaults& defaults) {
    // Qt cannot tell whether a compositor runs; the shaped window looks right with or without one.
    auto hud = std::make_unique<HUDPanel>(HUDOptions::from(defaults), /*composited=*/false);
    HUDPanel* panel = hud.get();
    delegate.hooks.hud = {[panel] { return panel->isVisible(); },
                          [panel] {
                              // Asked at each showing: a compositor may have started or ended since.
                              panel->view()->setFades(compositing());
                              panel->place();
                              panel->show();
                              panel->raise();
                          },
                          [panel] { panel->hide(); },
                          [panel](const QString& hotkey) { panel->view()->setHotkey(hotkey); }};
    return hud;
}

void followVoice(AppDelegate& delegate, HUDPanel& hud) {
    VoiceController& voice = delegate.controller();
    const auto update = [&voice, &hud] { hud.setState(voice.phase(), voice.mode(), voice.level()); };
    QObject::connect(&voice, &VoiceController::phaseChanged, &hud, update);
    QObject::connect(&voice, &VoiceController::modeChanged, &hud, update);
    QObject::connect(&voice, &VoiceController::levelChanged, &hud, update);
    update();
}

} // namespace mivora
