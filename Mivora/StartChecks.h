#pragma once

#include <QString>

#include <optional>

namespace mivora {

// What every start of the program checks before it does anything else (after drawing the screenshots,
// which needs neither): a build-settings file named on purpose that cannot be used is refused, and an
// install folder that still has the former name is moved and the program started again from there.
// The exit status when this start ends here; nothing when it goes on.
std::optional<int> runStartChecks(int argc, char** argv, const QString& launcherPath);

// The names the settings file and the program's folders go by.
void nameApplication();

// The file users start: the launcher beside whichever of the program's executables is running.
QString launcherPath();

} // namespace mivora
