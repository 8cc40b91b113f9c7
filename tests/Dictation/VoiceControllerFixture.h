#pragma once

#include "Dictation/VoiceController.h"

#include "support/FakeAudioSource.h"
#include "support/FakeInserter.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

// Readable texts and phases in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
namespace mivora {
inline void PrintTo(const VoicePhase& p, std::ostream* os) {
    *os << "phase " << int(p.kind) << " \"" << p.text.toStdString() << "\" error " << p.isError << ", "
        << p.choices.size() << " choices";
}
} // namespace mivora

namespace mivora::test {

// A take of `seconds`, whose first `voiced` seconds are a square wave of amplitude `amplitude` (a
// fraction of full scale, which is also its RMS) and the rest exact silence.
inline AudioClip speech(double seconds, double voiced = 0.5, double amplitude = 0.3) {
    std::vector<std::int16_t> samples(size_t(std::lround(seconds * AudioClip::sampleRate)), 0);
    const auto value = std::int16_t(std::lround(amplitude * 32767));
    const size_t loud = std::min(samples.size(), size_t(std::lround(voiced * AudioClip::sampleRate)));
    for (size_t i = 0; i < loud; ++i)
        samples[i] = (i / 8) % 2 ? value : std::int16_t(-value);
    return AudioClip(std::move(samples));
}

// A controller on fakes: a microphone-like source, a recogniser and an inserter answered by the test,
// the fake clock and scheduler, probes the test sets, and every callback recorded.
class VoiceControllerFixture : public ::testing::Test {
protected:
    void SetUp() override { make(); }

    void TearDown() override {
        controller.reset();
        recognizer->abandon();
    }

    void make(std::unique_ptr<FakeAudioSource> source = std::make_unique<FakeMicSource>(),
              bool withRecognizer = true) {
        controller.reset();
        this->source = source.get();
        mic = dynamic_cast<FakeMicSource*>(source.get());
        this->source->clip = speech(1.0);
        VoiceController::System system;
        system.secureInput = [this] { return secureInput; };
        system.micAuthorized = [this] { return micAuthorized; };
        system.fnIsDown = [this] { return fnIsDown; };
        controller =
            std::make_unique<VoiceController>(std::move(source), withRecognizer ? recognizer : nullptr,
                                              inserter, memoryStore(), system, scheduler, clock);
        auto* c = controller.get();
        c->log = [this](const QString& line) { lines << line; };
        c->onNeedsSetup = [this, c] {
            ++needsSetup;
            phaseAtCallback = c->phase();
        };
        c->onNeedsMemories = [this] { ++needsMemories; };
        c->needsSignIn = [this] { return signInRequired; };
        c->onNeedsSignIn = [this] { ++needsSignIn; };
        c->onTiming = [this](const VoiceController::Timing& t) { timings.push_back(t); };
    }

    virtual MemoryStore* memoryStore() { return nullptr; }

    bool key(const KeyInput& input) { return controller->handle(input, clock.uptime()); }
    bool fnDown() {
        fnIsDown = true;
        return key(KeyInput::fnDown());
    }
    bool fnUp() {
        fnIsDown = false;
        return key(KeyInput::fnUp());
    }
    void wait(double seconds) { scheduler.advance(seconds); }
    // Holds Fn for `seconds` and lets go: one ordinary take.
    void take(double seconds = 0.5) {
        fnDown();
        wait(seconds);
        fnUp();
    }
    VoicePhase::Kind phase() const { return controller->phase().kind; }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeInserter inserter;
    std::shared_ptr<FakeRecognizer> recognizer = std::make_shared<FakeRecognizer>();
    FakeAudioSource* source = nullptr;
    FakeMicSource* mic = nullptr;

    bool secureInput = false;
    bool micAuthorized = true;
    bool fnIsDown = false;
    bool signInRequired = false;

    QStringList lines;
    int needsSetup = 0;
    int needsSignIn = 0;
    int needsMemories = 0;
    VoicePhase phaseAtCallback;
    std::vector<VoiceController::Timing> timings;

    std::unique_ptr<VoiceController> controller;
};

} // namespace mivora::test
