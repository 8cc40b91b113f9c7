#include "Platform/Offscreen/OffscreenPlatform.h"
#include "Audio/MicSource.h"
#include "Dictation/Permissions.h"
#include "Insertion/InsertPlan.h"
#include "Insertion/TextInserter.h"
#include "Keys/KeyTap.h"
#include "Platform/Offscreen/MemoryPasteboard.h"

#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// Services on the offscreen platform run and answer "not available", touching no desktop.
TEST(OffscreenPlatform, ServicesRunButFindNothingToUse) {
    const auto platform = OffscreenPlatform::make();
    FakeClock clock;
    FakeScheduler scheduler{clock};
    MemoryDefaults defaults;

    TextInserter inserter(*platform, scheduler);
    EXPECT_EQ(inserter.currentFocus(), FocusKind::unknown);
    EXPECT_EQ(QCoro::waitFor(inserter.insert("你好")), InsertResult::copied(InsertPlan::pasteHint));
    EXPECT_EQ(static_cast<MemoryPasteboard&>(platform->pasteboard()).value("text/plain"), "你好");

    Permissions permissions(*platform, defaults);
    EXPECT_EQ(permissions.micStatus(), Permissions::MicStatus::denied);
    EXPECT_FALSE(permissions.accessibility());
    EXPECT_EQ(permissions.fnUsage(), std::nullopt);

    MicSource mic(platform->makeAudioInput(), scheduler);
    EXPECT_THROW(mic.start([](float) {}), MicSource::MicError);
    KeyTap tap(platform->makeKeySource(), clock);
    EXPECT_FALSE(tap.start());
}
