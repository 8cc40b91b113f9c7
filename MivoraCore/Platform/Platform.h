#pragma once

#include "Platform/Accessibility.h"
#include "Platform/AccessibilityBus.h"
#include "Platform/AudioInput.h"
#include "Platform/AudioInputs.h"
#include "Platform/FrontApplication.h"
#include "Platform/InputMethods.h"
#include "Platform/KeySource.h"
#include "Platform/KeyboardProbe.h"
#include "Platform/Pasteboard.h"
#include "Platform/SecretStore.h"
#include "Platform/SettingsPages.h"
#include "Platform/SyntheticKeys.h"
#include "Platform/TextAccess.h"

#include <functional>
#include <memory>

namespace mivora {

// Every facility of the desktop the program runs on, made once by the shell (one backend's factory) and
// handed by reference to the services that use it. It must outlive them, and everything it made.
class Platform {
public:
    struct Parts {
        // What the backends below share (a display connection, a session), released after all of them.
        std::shared_ptr<void> shared;
        std::unique_ptr<Pasteboard> pasteboard;
        std::unique_ptr<SyntheticKeys> syntheticKeys;
        std::unique_ptr<Accessibility> accessibility;
        std::unique_ptr<AccessibilityBus> accessibilityBus;
        std::unique_ptr<FrontApplication> frontApplication;
        std::unique_ptr<AudioInputs> audioInputs;
        std::unique_ptr<KeyboardProbe> keyboard;
        std::unique_ptr<SettingsPages> settingsPages;
        std::function<std::unique_ptr<AudioInput>()> makeAudioInput;
        std::function<std::unique_ptr<KeySource>()> makeKeySource;
        std::unique_ptr<SecretStore> secrets;
        std::unique_ptr<TextAccess> textAccess;
        // The primary selection (what a middle click or Shift+Insert pastes on X11); none where the
        // desktop has no such thing.
        std::unique_ptr<Pasteboard> selection;
        // The input methods of the desktop; none where none can be asked.
        std::unique_ptr<InputMethods> inputMethods;
    };

    explicit Platform(Parts parts) : parts_(std::move(parts)) {}
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    Pasteboard& pasteboard() const { return *parts_.pasteboard; }
    SyntheticKeys& syntheticKeys() const { return *parts_.syntheticKeys; }
    Accessibility& accessibility() const { return *parts_.accessibility; }
    AccessibilityBus& accessibilityBus() const { return *parts_.accessibilityBus; }
    FrontApplication& frontApplication() const { return *parts_.frontApplication; }
    AudioInputs& audioInputs() const { return *parts_.audioInputs; }
    KeyboardProbe& keyboard() const { return *parts_.keyboard; }
    SettingsPages& settingsPages() const { return *parts_.settingsPages; }
    SecretStore& secrets() const { return *parts_.secrets; }
    TextAccess& textAccess() const { return *parts_.textAccess; }
    Pasteboard* selection() const { return parts_.selection.get(); }
    InputMethods* inputMethods() const { return parts_.inputMethods.get(); }
    // A new microphone input (each audio source owns its own).
    std::unique_ptr<AudioInput> makeAudioInput() const { return parts_.makeAudioInput(); }
    // A new watcher of the desktop's keys (the key tap owns it).
    std::unique_ptr<KeySource> makeKeySource() const { return parts_.makeKeySource(); }

private:
    Parts parts_;
};

} // namespace mivora
