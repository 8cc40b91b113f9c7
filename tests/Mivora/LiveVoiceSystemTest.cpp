#include "LiveVoiceSystem.h"
#include "Audio/MicSource.h"
#include "Dictation/Permissions.h"

#include "support/FakeInserter.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// The voice controller on the live probes over a platform of fakes: a password field in the front
// application refuses the take at the press.
TEST(LiveVoiceSystem, APasswordFieldRefusesTheTake) {
    FakePlatform platform;
    MemoryDefaults defaults;
    Permissions permissions{platform, defaults};
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeInserter inserter;
    VoiceController voice(std::make_unique<MicSource>(platform.makeAudioInput(), scheduler), nullptr,
                          inserter, nullptr, liveVoiceSystem(platform, permissions, defaults), scheduler,
                          clock);
    platform.fake.accessibility.apps[4242] = FakeElement("AXTextField", true, true, /*password*/ true);
    voice.handle(KeyInput::fnDown(), clock.uptime());
    EXPECT_EQ(voice.phase(), VoicePhase::notice("密码框里不能用语音输入", true));
}
