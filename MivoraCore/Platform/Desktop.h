#pragma once

namespace mivora {

class Accessibility;
class FrontApplication;
class Pasteboard;
class SyntheticKeys;

// The running desktop's backends, one each for the process (each platform folder implements these).
namespace Desktop {

Pasteboard& pasteboard();
SyntheticKeys& syntheticKeys();
Accessibility& accessibility();
FrontApplication& frontApplication();

} // namespace Desktop
} // namespace mivora
