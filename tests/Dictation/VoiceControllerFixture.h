#pragma once

#include "Dictation/VoiceController.h"

#include "support/FakeAudioSource.h"
#include "support/FakeInserter.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mivora::test {

// A take of `seconds` whose first `voiced` seconds are a square wave of `amplitude` (a fraction of full
// scale, also its RMS) and the rest exact silence.
inline AudioClip speech(double seconds, double voiced = 0.5, double amplitude = 0.3) {
    std::vector<std::int16_t> samples(size_t(std::lround(seconds * AudioClip::sampleRate)), 0);
    const auto value = std::int16_t(std::lround(amplitude * 32767));
    for (size_t i = 0; i < std::min(samples.size(), size_t(std::lround(voiced * AudioClip::sampleRate))); ++i)
        samples[i] = (i / 8) % 2 ? value : std::int16_t(-value);
    return AudioClip(std::move(samples));
}

// A controller on fakes and the fake clock, with every callback recorded. Members are destroyed
// controller first, so the fakes' destructors settle what still waits without anyone listening.
class VoiceControllerFixture : public ::testing::Test {
protected:
    void SetUp() override { make(); }
    void make(bool withRecognizer = true) {
        controller.reset();
        auto owned = std::make_unique<FakeAudioSource>();
        source = owned.get();
        source->clip = speech(1.0);
        VoiceController::System system{[this] { return secureInput; }, [this] { return micAuthorized; }};
        controller =
            std::make_unique<VoiceController>(std::move(owned), withRecognizer ? recognizer : nullptr,
                                              inserter, memoryStore(), system, scheduler, clock);
        controller->log = [this](const QString& line) { lines << line; };
        controller->onNeedsSetup = [this] { ++needsSetup; };
        controller->needsSignIn = [this] { return signInRequired; };
        controller->onNeedsSignIn = [this] { ++needsSignIn; };
        controller->onTiming = [this](const VoiceController::Timing& t) { timings.push_back(t); };
    }
    virtual MemoryStore* memoryStore() { return nullptr; }

    bool key(const KeyInput& input) { return controller->handle(input, clock.uptime()); }
    bool press(int code, bool isRepeat = false) { return key(KeyInput::keyDown(code, isRepeat)); }
    bool fn(bool down) { return key(down ? KeyInput::fnDown() : KeyInput::fnUp()); }
    void wait(double seconds) { scheduler.advance(seconds); }
    void take(double seconds = 0.5) {
        fn(true);
        wait(seconds);
        fn(false);
    }
    VoicePhase::Kind phase() const { return controller->phase().kind; }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeInserter inserter;
    std::shared_ptr<FakeRecognizer> recognizer = std::make_shared<FakeRecognizer>();
    FakeAudioSource* source = nullptr;
    bool secureInput = false, micAuthorized = true, signInRequired = false;
    QStringList lines;
    int needsSetup = 0, needsSignIn = 0;
    std::vector<VoiceController::Timing> timings;
    std::unique_ptr<VoiceController> controller;
};

} // namespace mivora::test
