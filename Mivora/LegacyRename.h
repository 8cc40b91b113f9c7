#pragma once

#include <QString>

#include <functional>

namespace mivora {

// Moves an install folder that still carries the program's former name ("Mivora.app") to the current one
// ("Veskel.app") beside it, so the next launch runs from there. Nothing happens for any other folder name,
// or when something already sits at the new name.
struct LegacyRename {
    static constexpr const char* formerName = "Mivora.app";
    static constexpr const char* currentName = "Veskel.app";

    std::function<void(const QString&)> log;
    // Starts the program again from the moved folder.
    std::function<void(const QString& newFolder)> relaunch;

    // `folder` is the folder the executable runs from. True when it was moved and the relaunch asked
    // for: the caller ends this process instead of launching.
    bool run(const QString& folder) const;
};

} // namespace mivora
