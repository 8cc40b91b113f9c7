#pragma once

#include <QString>

namespace mivora {

// "-render <folder>": draws every screen to PNG in the light and the dark appearance, on the offscreen
// platform and a throwaway settings file, with nothing else of the program started. 0 when every picture
// and the index were written. The caller has made the application object.
int runRenderMode(const QString& folder);

} // namespace mivora
