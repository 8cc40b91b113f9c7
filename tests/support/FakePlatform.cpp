#include "support/FakePlatform.h"

namespace mivora::test {

namespace {

template <typename T> T& as(auto& base) {
    return static_cast<T&>(base);
}

} // namespace

FakePlatform::FakePlatform()
    : Platform({nullptr, std::make_unique<FakePasteboard>(), std::make_unique<FakeSyntheticKeys>(),
                std::make_unique<FakeAccessibility>(), std::make_unique<FakeAccessibilityBus>(),
                std::make_unique<FakeFrontApplication>(), std::make_unique<FakeAudioInputs>(),
                std::make_unique<FakeKeyboardProbe>(), std::make_unique<FakeSettingsPages>(),
                [] { return std::make_unique<FakeAudioInput>(); },
                [] { return std::make_unique<FakeKeySource>(); }}),
      fake{as<FakePasteboard>(pasteboard()),
           as<FakeSyntheticKeys>(syntheticKeys()),
           as<FakeAccessibility>(accessibility()),
           as<FakeAccessibilityBus>(accessibilityBus()),
           as<FakeFrontApplication>(frontApplication()),
           as<FakeAudioInputs>(audioInputs()),
           as<FakeKeyboardProbe>(keyboard()),
           as<FakeSettingsPages>(settingsPages())} {}

} // namespace mivora::test
