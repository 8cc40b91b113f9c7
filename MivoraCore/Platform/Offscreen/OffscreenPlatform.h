#pragma once

#include "Platform/Platform.h"

#include <memory>

namespace mivora {

// Makes a platform that touches no desktop: a clipboard in memory, and no keys, accessibility, front
// application, microphone or settings pages (each answers "not available"). For rendering and checks
// that must run without a desktop session.
namespace OffscreenPlatform {

std::unique_ptr<Platform> make();

} // namespace OffscreenPlatform
} // namespace mivora
