#include "Platform/Linux/LinuxPlatform.h"

#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/AtspiBus.h"
#include "Platform/Linux/AtspiSession.h"
#include "Platform/Linux/AtspiTextAccess.h"
#include "Platform/Linux/DesktopSettingsPages.h"
#include "Platform/Linux/KeychainSecretStore.h"
#include "Platform/Linux/OwnGrabs.h"
#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/QtAudioInput.h"
#include "Platform/Linux/QtAudioInputs.h"
#include "Platform/Linux/QtPasteboard.h"
#include "Platform/Linux/SessionInputMethods.h"
#include "Platform/Linux/StaleSelectionRequests.h"
#include "Platform/Linux/X11Display.h"
#include "Platform/Linux/X11FrontApplication.h"
#include "Platform/Linux/X11KeySource.h"
#include "Platform/Linux/X11KeyboardProbe.h"
#include "Platform/Linux/X11SyntheticKeys.h"

#include <QGuiApplication>

namespace mivora::LinuxPlatform {

namespace {

// What several backends use and the process has once.
struct Shared {
    X11Display display;
    OwnKeyEvents ownKeys;
    OwnGrabs ownGrabs;
    AtspiSession atspi;
    StaleSelectionRequests selectionRequests;
};

} // namespace

std::unique_ptr<Platform> make(Defaults& defaults, Clock& clock, Scheduler& scheduler) {
    auto shared = std::make_shared<Shared>();
    Platform::Parts parts;
    auto front = std::make_unique<X11FrontApplication>(shared->display);
    // Both selections tell the front application's requests from those of other programs.
    const QtPasteboard::FromFront fromFront = [app = front.get()](unsigned long window) {
        return app->owns(window);
    };
    parts.pasteboard = std::make_unique<QtPasteboard>(QClipboard::Clipboard, fromFront);
    if (QGuiApplication::clipboard()->supportsSelection())
        parts.selection = std::make_unique<QtPasteboard>(QClipboard::Selection, fromFront);
    parts.syntheticKeys = std::make_unique<X11SyntheticKeys>(shared->display, shared->ownKeys, clock);
    auto accessibility = std::make_unique<AtspiAccessibility>(shared->atspi);
    parts.textAccess = std::make_unique<AtspiTextAccess>(*accessibility, shared->atspi);
    parts.accessibility = std::move(accessibility);
    parts.accessibilityBus = std::make_unique<AtspiBus>(shared->atspi);
    parts.frontApplication = std::move(front);
    parts.audioInputs = std::make_unique<QtAudioInputs>();
    parts.keyboard = std::make_unique<X11KeyboardProbe>(shared->display, shared->ownGrabs);
    parts.settingsPages = std::make_unique<DesktopSettingsPages>();
    parts.secrets = std::make_unique<KeychainSecretStore>();
    parts.inputMethods = std::make_unique<SessionInputMethods>();
    parts.makeAudioInput = [&scheduler] { return std::make_unique<QtAudioInput>(scheduler); };
    OwnKeyEvents& own = shared->ownKeys;
    OwnGrabs& grabs = shared->ownGrabs;
    parts.makeKeySource = [&defaults, &clock, &own, &grabs] {
        return std::make_unique<X11KeySource>(defaults, clock, own, grabs);
    };
    parts.shared = std::move(shared);
    return std::make_unique<Platform>(std::move(parts));
}

} // namespace mivora::LinuxPlatform
