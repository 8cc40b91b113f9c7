#pragma once

#include <QString>

namespace mivora {

class Defaults;

// What the recording HUD takes from the user's settings when it is made.
struct HUDOptions {
    bool reduceMotion = false;
    // The name of the key held for a take, as the hands-free hint shows it ("右 Ctrl").
    QString hotkey;

    // The reduce-motion setting and the name of the key the "fnKey" setting names.
    static HUDOptions from(const Defaults& defaults);
};

} // namespace mivora
