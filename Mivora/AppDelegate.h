#pragma once

#include "AutoUpdate.h"
#include "Cloud/CloudRecognizer.h"
#include "Dictation/Permissions.h"
#include "Dictation/SetupModel.h"
#include "Dictation/UsageStats.h"
#include "Dictation/VoiceController.h"
#include "HudPresenter.h"
#include "Insertion/TextInserter.h"
#include "KeyRouter.h"
#include "Keys/KeyTap.h"
#include "MainWindow.h"
#include "Memories/MemoryStore.h"
#include "MenuRows.h"
#include "MivoraUI/Model/AppModel.h"
#include "SyncTriggers.h"
#include "TapStarter.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace mivora {

class AccountService;
class BrowserSheet;
class Clock;
class Defaults;
class HttpClient;
class LoginItem;
class MemorySync;
class Platform;
class Scheduler;
class SuggestController;
class TrayIcon;

// The owner of every long-lived service of the running program: it makes each once (the voice controller
// and the window model when first needed), connects them to each other, routes the desktop's keys, shows
// the HUD for each take, keeps the tray icon and its menu, and opens the main window.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    // What the program runs on; everything must outlive the delegate.
    struct Environment {
        Platform& platform;
        Defaults& defaults;
        Clock& clock;
        Scheduler& scheduler;
        HttpClient& network;
        std::optional<QString> memoriesFile; // none: memories in memory only
        std::function<void(const QString&)> log;
        // Where takes are recorded from; unset: the microphone.
        std::function<std::unique_ptr<AudioSource>()> audioSource = {};
    };

    // What the parts built beside the shell plug in, set before `launch`. An unset hook leaves its part
    // out: no typing suggestions, no HUD, no account, no sync.
    struct Hooks {
        // The suggestion controller's key handler: swallow, pass, or absent (not its business).
        std::function<std::optional<bool>(const KeyInput&)> suggest;
        // The typing-suggestion switch the menu shows and flips.
        std::function<bool()> suggestionsEnabled;
        std::function<void(bool)> setSuggestionsEnabled;
        // The signed-in account's valid access token, asked before each relay request.
        CloudRecognizer::AccountToken accountToken;
        // True when a take must wait until the user signs in.
        std::function<bool()> needsSignIn;
        // Whether an account is signed in at launch, or nothing while that is not known yet; later changes
        // (the first one too) come through `signedInChanged`.
        std::function<std::optional<bool>()> signedIn;
        HudHooks hud;
        SyncHooks sync;
        // The services the window's pages use, where their part is wired.
        SuggestController* suggestController = nullptr;
        AccountService* accountService = nullptr;
        MemorySync* syncEngine = nullptr;
        // Launch at login, where the desktop has it.
        LoginItem* loginItem = nullptr;
        BrowserSheet* browser = nullptr; // where web sign-in opens
    };

    explicit AppDelegate(Environment environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    Hooks hooks;
    // Opens a file (the tray's log row); false when nothing could open it. Unset: the desktop's handler for
    // the file. Replaceable for tests.
    std::function<bool(const QString& file)> openFile;

    // Wires every service and starts the key tap; for a normal launch also the tray icon and the main
    // window, which the self-test does without.
    void launch(bool selfTest = false);

    // Shows the main window, opening `section` when given; creates the window the first time.
    void showMain(std::optional<AppModel::Section> section = std::nullopt);
    // A second start of the program asked for the main window.
    void reopen() { showMain(); }
    // Destroys the main window (at the end of the program, before the services its pages use).
    void closeMainWindow();
    // The suggestion controller filled a memory of `chars` characters.
    void typedFillAccepted(qint64 chars);
    // Whether the suggestion strip may show an offer now.
    bool suggestionMayShow() const;
    // The account's tokens changed: signed in or not.
    void signedInChanged(bool signedIn);

    VoiceController& controller();
    AppModel& model();
    KeyTap& tap() { return tap_; }
    TextInserter& inserter() { return inserter_; }
    MemoryStore& memories() { return memories_; }
    UsageStats& stats() { return stats_; }
    SetupModel& setup() { return setup_; }
    AutoUpdate& updates() { return updates_; }
    MainWindow* mainWindow() const { return mainWindow_; }
    TrayIcon* tray() const { return tray_.get(); }

    // The setup model's readiness (permissions, hotkey, recogniser, the account a relay needs), once the key
    // tap runs.
    bool ready() const;
    // The tray menu for the state right now (what opening it shows).
    QList<MenuRow> menuRows();
    void act(MenuRow::Action action);
    void updateStatusIcon();

private:
    std::shared_ptr<Recognizer> recognizer();
    void wireVoice();
    void wireOutcomes();
    void countTake(const VoiceController::Timing& timing);
    void setupStatusItem();
    void windowClosed();
    // Keeps the main window's frame for the next run: when it closes and when the program ends with it
    // open (the tray's quit, a termination signal).
    void saveWindowFrame();
    void followHotkey();
    // A hotkey stored by hand that types text is dropped for the default one, with a line in the log.
    void forgetTypingHotkey();
    // No take waits for a sign-in: the build needs no account, or one is signed in.
    bool accountReady() const { return !(hooks.needsSignIn && hooks.needsSignIn()); }
    void log(const QString& line) const;
    // Opens the log, or shows the settings saying that nothing here can and where the log is.
    void openLog();

    Environment env_;
    Permissions permissions_;
    TextInserter inserter_;
    MemoryStore memories_;
    SyncTriggers syncTriggers_;
    UsageStats stats_;
    AutoUpdate updates_;
    KeyTap tap_;
    SetupModel setup_;
    HudPresenter hud_;
    KeyRouter router_;
    TapStarter tapStarter_;
    std::unique_ptr<VoiceController> controller_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<TrayIcon> tray_;
    QPointer<MainWindow> mainWindow_;
    QString hotkey_;        // the "fnKey" the key watcher was started with
    bool selfTest_ = false; // no tray, no window
};

} // namespace mivora
