#include "Platform/Offscreen/OffscreenPlatform.h"

#include "Platform/Offscreen/MemoryPasteboard.h"
#include "Platform/Offscreen/MemorySecretStore.h"
#include "Support/UserError.h"

namespace mivora::OffscreenPlatform {

namespace {

struct NoKeys final : SyntheticKeys {
    bool postPaste(PasteKeys) override { return false; }
};

struct NoAccessibility final : Accessibility {
    FocusRead focusedElement(qint64) override { return {nullptr, apiDisabled}; }
    FocusRead focusedElementAnywhere() override { return {nullptr, apiDisabled}; }
};

struct NoText final : TextAccess {
    Read focusedText(qint64) override { return {nullptr, Accessibility::apiDisabled}; }
    void enableAccessibility() override {}
    double firstScreenHeight() override { return 0; }
};

struct NoBus final : AccessibilityBus {
    bool answers() override { return false; }
};

struct NoFront final : FrontApplication {
    std::optional<FrontApp> current() override { return std::nullopt; }
    std::optional<QRect> frontWindowFrame() override { return std::nullopt; }
};

struct NoInputs final : AudioInputs {
    bool available() override { return false; }
};

struct NoInput final : AudioInput {
    Format format() override { return {}; }
    QCoro::Task<> start(Handler) override { throw UserError(QStringLiteral("麦克风打不开：没有输入设备")); }
    void stop() override {}
    void setChangeHandler(std::function<void()>) override {}
};

struct NoKeySource final : KeySource {
    bool start(Callback) override { return false; }
    void stop() override {}
    bool isRunning() const override { return false; }
    bool setSwallowable(const std::set<int>&) override { return true; }
};

struct NoKeyboard final : KeyboardProbe {
    bool watchable() override { return false; }
    bool isDown(const QString&) override { return false; }
    KeyState hotkeyState(const QString&) override { return KeyState::missing; }
    QString keyName(quint32) override { return {}; }
};

struct NoSettings final : SettingsPages {
    bool open(Page) override { return false; }
};

} // namespace

std::unique_ptr<Platform> make() {
    Platform::Parts parts;
    parts.pasteboard = std::make_unique<MemoryPasteboard>();
    parts.syntheticKeys = std::make_unique<NoKeys>();
    parts.accessibility = std::make_unique<NoAccessibility>();
    parts.accessibilityBus = std::make_unique<NoBus>();
    parts.frontApplication = std::make_unique<NoFront>();
    parts.audioInputs = std::make_unique<NoInputs>();
    parts.keyboard = std::make_unique<NoKeyboard>();
    parts.settingsPages = std::make_unique<NoSettings>();
    parts.secrets = std::make_unique<MemorySecretStore>();
    parts.textAccess = std::make_unique<NoText>();
    parts.makeAudioInput = [] { return std::make_unique<NoInput>(); };
    parts.makeKeySource = [] { return std::make_unique<NoKeySource>(); };
    return std::make_unique<Platform>(std::move(parts));
}

} // namespace mivora::OffscreenPlatform
