#pragma once

#include "Audio/MicSource.h"
#include "Dictation/Permissions.h"
#include "Dictation/SetupModel.h"
#include "Dictation/UsageStats.h"
#include "Dictation/VoiceController.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/Model/AppModel.h"

#include "support/FakeInserter.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <memory>

namespace mivora::test {

// The window model over in-memory settings, a platform of fakes (everything granted) and real services
// that touch no disk. Set `defaults` and `cloud` before `make()`.
struct WindowModelRig {
    FakePlatform platform;
    MemoryDefaults defaults;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    Permissions permissions{platform, defaults};
    bool cloud = true; // a recogniser is configured
    SetupModel setup{permissions, [this] { return cloud; }, scheduler};
    UsageStats stats{defaults, clock, scheduler};
    MemoryStore memories{std::nullopt, {}, clock};
    FakeInserter inserter;
    VoiceController controller{std::make_unique<MicSource>(std::make_unique<FakeAudioInput>(), scheduler),
                               nullptr,
                               inserter,
                               &memories,
                               {},
                               scheduler,
                               clock};
    std::unique_ptr<AppModel> model;

    AppModel& make(AccountService* account = nullptr) {
        model = std::make_unique<AppModel>(
            AppModel::Services{setup, stats, memories, nullptr, controller, account, nullptr},
            AppModel::Environment{defaults, clock, scheduler, platform, permissions});
        return *model;
    }
};

} // namespace mivora::test
