#pragma once

#include "Platform/Platform.h"

#include <memory>

namespace mivora {

class Clock;
class Defaults;
class Scheduler;

// Makes the platform of a Linux X11 desktop: the clipboard through Qt, keys through X11, focus through
// AT-SPI, the microphone through Qt Multimedia and PulseAudio, the desktop's own settings programs. One
// X connection for short requests and one AT-SPI set-up are shared by the backends that need them. Needs
// a QGuiApplication; `defaults`, `clock` and `scheduler` must outlive the platform.
namespace LinuxPlatform {

std::unique_ptr<Platform> make(Defaults& defaults, Clock& clock, Scheduler& scheduler);

} // namespace LinuxPlatform
} // namespace mivora
