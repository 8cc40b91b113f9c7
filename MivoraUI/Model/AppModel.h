#pragma once

#include "MivoraUI/Model/Lesson.h"

#include <QDateTime>
#include <QObject>

#include <array>
#include <optional>

namespace mivora {

class AccountService;
class BrowserSheet;
class Clock;
class Defaults;
class LoginItem;
class MemoryStore;
class MemorySync;
class Permissions;
class Platform;
class Scheduler;
class SetupModel;
class SuggestController;
class UsageStats;
class VoiceController;

// The one model behind the main window: which page is open, which lesson is selected, whether the first-run
// welcome covers the window, whether the window is on screen, and which lesson last succeeded. It lends the
// pages the shell's services, so a page is built from the model alone. Signals fire only on real change.
class AppModel final : public QObject {
    Q_OBJECT
public:
    enum class Section { home, tutorial, memories, settings };
    // The sidebar's order.
    static constexpr std::array<Section, 4> sections{Section::home, Section::tutorial, Section::memories,
                                                     Section::settings};
    static QString raw(Section section);
    // Exactly the four raw values, case-sensitive; anything else none.
    static std::optional<Section> fromRaw(const QString& raw);
    static QString title(Section section);
    static QString icon(Section section); // an icon name of the kit

    struct Success {
        Lesson lesson;
        QDateTime at;
        bool operator==(const Success&) const = default;
    };

    // The shell's services, kept for the life of the process; the model owns none of them. The suggestion
    // controller, the account service and the sync engine are absent where that part is not wired.
    struct Services {
        SetupModel& setup;
        UsageStats& stats;
        MemoryStore& memories;
        SuggestController* suggest;
        VoiceController& controller;
        AccountService* account;
        MemorySync* sync;
    };
    // What the pages draw and act with besides the services: the settings ("onboardingDone", the hotkey's
    // name), time, timers, the desktop and the permission probes.
    struct Environment {
        Defaults& defaults;
        const Clock& clock;
        Scheduler& scheduler;
        Platform& platform;
        Permissions& permissions;
        LoginItem* loginItem = nullptr;  // launch at login; absent where the desktop has none
        BrowserSheet* browser = nullptr; // where web sign-in opens; absent where sign-in is not wired
    };

    // The welcome shows until "onboardingDone" is stored true.
    AppModel(Services services, Environment environment, QObject* parent = nullptr);

    Section section() const { return section_; }
    Lesson lesson() const { return lesson_; }
    bool showWelcome() const { return showWelcome_; }
    std::optional<Success> lastSuccess() const { return lastSuccess_; }
    bool windowVisible() const { return windowVisible_; }

    // Sets the lesson first (when given), then the section; the views animate the page change.
    void open(Section section, std::optional<Lesson> lesson = std::nullopt);
    // What a refused take asks of the user: the permissions and the recogniser, or a sign-in.
    enum class Need { setup, signIn };
    // Opens the settings, where `need` is met; while the welcome covers the window, asks the welcome for its
    // own page of it instead, so nothing opens hidden under the welcome.
    void openFor(Need need);
    // The tutorial's tabs.
    void setLesson(Lesson lesson);
    // Stores "onboardingDone" = true and hides the welcome.
    void finishWelcome();
    // finishWelcome() while the welcome shows; nothing otherwise (the setting is not written).
    void finishWelcomeIfNeeded();
    // Shows the welcome again for this run only; the stored flag stays.
    void restartWelcome();
    // Written by the shell: a take inserted or recalled, or a suggestion accepted.
    void setLastSuccess(Success success);
    // Written by the shell from the window's close and visibility.
    void setWindowVisible(bool visible);

    SetupModel& setup() const { return services_.setup; }
    UsageStats& stats() const { return services_.stats; }
    MemoryStore& memories() const { return services_.memories; }
    SuggestController* suggest() const { return services_.suggest; }
    VoiceController& controller() const { return services_.controller; }
    AccountService* account() const { return services_.account; }
    MemorySync* sync() const { return services_.sync; }
    const Environment& environment() const { return environment_; }
    // The hotkey as the texts name it (the "fnKey" setting through the platform's words).
    QString hotkeyName() const;

signals:
    void sectionChanged();
    void lessonChanged();
    void showWelcomeChanged();
    void lastSuccessChanged();
    void windowVisibleChanged();
    // The welcome is asked to show its page for `need`.
    void welcomeAskedFor(mivora::AppModel::Need need);

private:
    void setShowWelcome(bool show);

    Services services_;
    Environment environment_;
    Section section_ = Section::home;
    Lesson lesson_ = Lesson::dictate;
    bool showWelcome_;
    std::optional<Success> lastSuccess_;
    bool windowVisible_ = true;
};

} // namespace mivora
