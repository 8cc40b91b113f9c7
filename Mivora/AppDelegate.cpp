#include "AppDelegate.h"

#include "Audio/MicSource.h"
#include "LiveVoiceSystem.h"
#include "MainWindow.h"
#include "Platform/Platform.h"
#include "Platform/PlatformWords.h"
#include "Support/BundleInfo.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "TrayIcon.h"

#include <QApplication>

#include <set>

namespace mivora {

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent), env_(std::move(environment)), permissions_(env_.platform, env_.defaults),
      inserter_(env_.platform, env_.scheduler), memories_(env_.memoriesFile, {}, env_.clock),
      syncTriggers_(env_.scheduler, {}), stats_(env_.defaults, env_.clock, env_.scheduler),
      updates_({BundleInfo::value("SUFeedURL").has_value(), nullptr, nullptr,
                [this](const QString& line) { log(line); }},
               env_.defaults, env_.scheduler),
      tap_(env_.platform.makeKeySource(), env_.clock),
      setup_(
          permissions_,
          [this] {
              return CloudRecognizer::make(env_.network, env_.defaults, env_.scheduler, env_.clock) !=
                     nullptr;
          },
          env_.scheduler),
      hud_(env_.scheduler, {}), tapStarter_(
                                    tap_, env_.scheduler, [this] { return permissions_.accessibility(); },
                                    [this] {
                                        log(QStringLiteral("按键监听已开启"));
                                        updateStatusIcon();
                                    }) {
    // The X server is gone (the user logged out, the display restarted): nothing of the program can be
    // seen or used any more, and it ends the way the quit row ends it.
    tap_.onEnded([this] {
        log(QStringLiteral("桌面的 X 服务器已断开，退出"));
        QCoreApplication::exit(0);
    });
}

AppDelegate::~AppDelegate() {
    tap_.stop();
    delete mainWindow_.data();
}

std::shared_ptr<Recognizer> AppDelegate::recognizer() {
    std::shared_ptr<CloudRecognizer> made =
        CloudRecognizer::make(env_.network, env_.defaults, env_.scheduler, env_.clock);
    if (made && hooks.accountToken) made->accountToken = hooks.accountToken;
    return made;
}

VoiceController& AppDelegate::controller() {
    if (!controller_) {
        VoiceController::System system = liveVoiceSystem(env_.platform, permissions_, env_.defaults);
        std::unique_ptr<AudioSource> source;
        if (env_.audioSource) {
            source = env_.audioSource();
            system.micAuthorized = [] { return true; }; // a file played back needs no microphone
        } else {
            source = std::make_unique<MicSource>(env_.platform.makeAudioInput(), env_.scheduler);
        }
        controller_ =
            std::make_unique<VoiceController>(std::move(source), recognizer(), inserter_, &memories_,
                                              std::move(system), env_.scheduler, env_.clock);
        controller_->keysSettled = [this] { return tap_.keysSettled(env_.scheduler); };
    }
    return *controller_;
}

AppModel& AppDelegate::model() {
    if (!model_)
        model_ = std::make_unique<AppModel>(
            AppModel::Services{setup_, stats_, memories_, hooks.suggestController, controller(),
                               hooks.accountService, hooks.syncEngine},
            AppModel::Environment{env_.defaults, env_.clock, env_.scheduler, env_.platform, permissions_,
                                  hooks.loginItem, hooks.browser});
    return *model_;
}

void AppDelegate::launch(bool selfTest) {
    hud_.hooks() = hooks.hud;
    syncTriggers_.hooks() = hooks.sync;
    wireVoice();
    // The hooks are set by now: the setup model asks them whether a take must wait for a sign-in.
    setup_.setAccountProbe([this] { return accountReady(); });
    for (auto changed :
         {&SetupModel::micChanged, &SetupModel::accessibilityChanged, &SetupModel::fnFreeChanged,
          &SetupModel::cloudReadyChanged, &SetupModel::accountReadyChanged})
        connect(&setup_, changed, this, &AppDelegate::updateStatusIcon);
    syncTriggers_.start(memories_, hooks.signedIn ? hooks.signedIn() : std::optional(false));
    wireOutcomes();
    log("启动 " + BundleInfo::value("CFBundleShortVersionString").value_or(QString()) + "（" +
        BundleInfo::value("CFBundleVersion").value_or(QString()) + "）");
    forgetTypingHotkey();
    updates_.start();

    // The HUD follows every phase, the current one included.
    VoiceController& voice = controller();
    connect(&voice, &VoiceController::phaseChanged, this, [this] {
        hud_.phaseChanged(controller_->phase());
        updateStatusIcon();
    });
    hud_.phaseChanged(voice.phase());
    updateStatusIcon();

    // The suggestions answer first; only what they leave goes to the voice controller.
    router_.suggest = hooks.suggest;
    router_.voice = [this](const KeyInput& input, double time) { return controller_->handle(input, time); };
    tap_.handler = [this](const KeyInput& input, double time) { return router_.route(input, time); };
    const auto announceKeys = [this] {
        const QList<int> keys = controller_->swallowableKeys();
        tap_.setSwallowable("voice", std::set<int>(keys.begin(), keys.end()));
    };
    connect(&voice, &VoiceController::swallowableKeysChanged, this, announceKeys);
    announceKeys();
    tapStarter_.start();
    // A hotkey chosen in the window holds from the next poll of the setup on, not from the next start.
    hotkey_ = KeySource::fnKeyName(env_.defaults);
    connect(&setup_, &SetupModel::fnFreeChanged, this, &AppDelegate::followHotkey);

    selfTest_ = selfTest;
    if (selfTest) return;
    setupStatusItem();
    showMain();
}

void AppDelegate::wireVoice() {
    VoiceController& voice = controller();
    voice.log = [this](const QString& line) { log(line); };
    inserter_.onFocus = [this](const QString& focus) { log("焦点：" + focus); };
    // The key file (or the relay) is read again for each take, as the readiness reads it at each poll: a
    // key put there while the program runs works from the next take on, without a restart.
    voice.currentRecognizer = [this] { return recognizer(); };
    // Never the settings hidden under the welcome: the welcome shows its own page for it.
    voice.onNeedsSetup = [this] {
        showMain();
        model().openFor(AppModel::Need::setup);
    };
    voice.onNeedsMemories = [this] { showMain(AppModel::Section::memories); };
    // While the stored sign-in is still being read a take goes ahead: its relay request waits for it.
    voice.needsSignIn = [this] {
        const bool unknown = hooks.signedIn && !hooks.signedIn().has_value();
        return !unknown && hooks.needsSignIn && hooks.needsSignIn();
    };
    voice.onNeedsSignIn = [this] {
        showMain();
        model().openFor(AppModel::Need::signIn);
    };
    voice.signInInPlace = [this] { return model().showWelcome(); };
}

void AppDelegate::wireOutcomes() {
    controller().onTiming = [this](const VoiceController::Timing& timing) { countTake(timing); };
}

void AppDelegate::countTake(const VoiceController::Timing& timing) {
    // A take that only left its text on the clipboard and counted nothing is no success.
    if (timing.chars < 1 && !timing.result.isInserted()) return;
    const bool recall = timing.mode == VoiceMode::recall;
    stats_.record(timing.chars, recall);
    model().setLastSuccess({recall ? Lesson::recall : Lesson::dictate, env_.clock.now()});
}

void AppDelegate::typedFillAccepted(qint64 chars) {
    stats_.recordTyped(chars);
    model().setLastSuccess({Lesson::typing, env_.clock.now()});
}

bool AppDelegate::suggestionMayShow() const {
    if (!controller_ || !controller_->phase().is(VoicePhase::Kind::idle)) return false;
    // On the memories page of our own window the user is editing what the strip would offer.
    const bool ourWindowInFront = QApplication::activeWindow() == mainWindow_.data();
    return !ourWindowInFront || !model_ || model_->section() != AppModel::Section::memories ||
           model_->showWelcome();
}

void AppDelegate::followHotkey() {
    const QString key = KeySource::fnKeyName(env_.defaults);
    if (key == hotkey_) return;
    // The key watcher learns which key is the hotkey when it starts; never restart it in the middle of a
    // take.
    if (tap_.isRunning()) {
        if (controller_ && !controller_->phase().is(VoicePhase::Kind::idle)) return;
        tap_.stop();
        tap_.start();
    }
    hotkey_ = key;
    // The hands-free hint names the key that ends the take: the one the watcher follows from now on.
    if (hud_.hooks().setHotkey) hud_.hooks().setHotkey(PlatformWords::hotkeyName(key));
}

void AppDelegate::forgetTypingHotkey() {
    // The window never stores such a key; a settings file edited by hand may. Held to dictate, it would be
    // kept from every application.
    const QString stored =
        env_.defaults.value(QString::fromLatin1(KeySource::fnKeySetting)).toString().trimmed();
    if (stored.isEmpty() || !env_.platform.keyboard().typesText(stored)) return;
    env_.defaults.remove(QString::fromLatin1(KeySource::fnKeySetting));
    log(QStringLiteral("设置里的按住说话键 %1 是打字用的键，不能当按住说话的键：改用默认的%2")
            .arg(stored, PlatformWords::hotkeyName(QString::fromLatin1(KeySource::fnKeyFallback))));
}

bool AppDelegate::ready() const {
    return setup_.ready() && tap_.isRunning();
}

void AppDelegate::signedInChanged(bool signedIn) {
    syncTriggers_.signedInChanged(signedIn);
    setup_.setAccountReady(accountReady());
}

void AppDelegate::log(const QString& line) const {
    if (env_.log) env_.log(line);
}

} // namespace mivora
