#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace mivora {

class Defaults;
class Scheduler;

// The program's updater, where the build has an update feed and the platform an updater: turns "an update
// was downloaded and installs at quit" into a restart question (or, with the hidden setting
// "MivoraUpdateNoPrompt", an install at once), and logs failures except "no newer version".
class AutoUpdate {
public:
    // The platform's updater: checks and downloads on its own schedule once made.
    class Updater {
    public:
        virtual ~Updater() = default;
        virtual void checkForUpdates() = 0; // a check the user asked for, with the updater's own UI
    };
    struct Hooks {
        bool hasFeed = false;                                  // the build names an update feed
        std::function<std::unique_ptr<Updater>()> makeUpdater; // none on platforms without one
        // Brings the program to the front and asks whether to restart now with this version.
        std::function<bool(const QString& displayVersion)> askRestartNow;
        std::function<void(const QString&)> log;
    };

    // The updater's error domain, and its code for a check that found no newer version.
    static constexpr const char* errorDomain = "SUSparkleErrorDomain";
    static constexpr int noUpdateFound = 1001;

    AutoUpdate(Hooks hooks, Defaults& defaults, Scheduler& scheduler);
    ~AutoUpdate();

    // Makes the updater when the build has a feed and the platform an updater.
    void start();
    Updater* controller() const { return controller_.get(); }
    // The menu's check; nothing without an updater.
    void checkForUpdates();

    // The updater's notices. An update downloaded for installation at quit: true when the program takes
    // charge and runs `installNow` on the next turn of the loop, false to leave it for the quit.
    bool willInstallUpdateOnQuit(const QString& displayVersion, const QString& version,
                                 std::function<void()> installNow);
    void didAbort(const QString& domain, int code);

private:
    void log(const QString& line) const;

    Hooks hooks_;
    Defaults& defaults_;
    Scheduler& scheduler_;
    std::unique_ptr<Updater> controller_;
};

} // namespace mivora
