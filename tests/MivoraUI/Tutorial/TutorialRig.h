#pragma once

// A window model on fakes for the tutorial's views: an in-memory store, in-memory settings, the fake clock
// and scheduler, and a voice controller that never hears anything.
#include "Audio/MicSource.h"
#include "Dictation/Permissions.h"
#include "Dictation/SetupModel.h"
#include "Dictation/UsageStats.h"
#include "Dictation/VoiceController.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/Model/AppModel.h"

#include "support/FakeAudioInput.h"
#include "support/FakeInserter.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

namespace mivora::test {

struct TutorialRig {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    MemoryDefaults defaults;
    FakePlatform platform;
    Permissions permissions{platform, defaults};
    SetupModel setup{permissions, [] { return true; }, scheduler};
    UsageStats stats{defaults, clock};
    std::unique_ptr<MemoryStore> store = MemoryStore::scratch(clock);
    FakeInserter inserter;
    VoiceController controller{std::make_unique<MicSource>(std::make_unique<FakeAudioInput>(), scheduler),
                               nullptr,
                               inserter,
                               store.get(),
                               {},
                               scheduler,
                               clock};
    std::unique_ptr<AppModel> model;

    explicit TutorialRig(bool welcomeDone = true) {
        if (welcomeDone) defaults.setValue("onboardingDone", true);
        model = std::make_unique<AppModel>(
            AppModel::Services{setup, stats, *store, nullptr, controller, nullptr, nullptr},
            AppModel::Environment{defaults, clock, scheduler, platform, permissions});
    }

    // Adds a memory used `uses` times, expired when `expired`.
    void remember(const QString& title, qint64 uses, bool expired = false) {
        Memory m{.title = title, .value = title + "的内容"};
        m.useCount = uses;
        if (expired) m.expiresAt = clock.now().addDays(-1);
        store->upsert(m);
    }
};

} // namespace mivora::test
