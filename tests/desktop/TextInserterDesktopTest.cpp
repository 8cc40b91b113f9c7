#include "Dictation/Permissions.h"
#include "Insertion/InsertPlan.h"
#include "Insertion/TextInserter.h"
#include "LiveVoiceSystem.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// The inserter of the Linux platform, and another application in front of it.
struct TextInserterDesktop : LinuxDesktop {
    TextInserter inserter{*platform, scheduler};
    ChildProcess target;
};

TEST_F(TextInserterDesktop, AReadOnlyTextViewIsNoTextFieldSoTheTextStaysCopied) {
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target", {"--read-only"}));
    // The window is in front before its widget is announced on the accessibility bus; under load that
    // takes a moment longer.
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::other; }, 5000))
        << inserter.inspectFocus().detail.toStdString();
    EXPECT_EQ(QCoro::waitFor(inserter.insert("你好")), InsertResult::copied(InsertPlan::pasteHint));
    EXPECT_EQ(clipboardAs("UTF8_STRING"), QString("你好").toUtf8());
}

TEST_F(TextInserterDesktop, AFocusedPasswordFieldTurnsSecureInputOn) {
    Permissions permissions(*platform, defaults);
    const VoiceController::System live = liveVoiceSystem(*platform, permissions, defaults);
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target", {"--password"}));
    EXPECT_TRUE(waitUntil([&] { return live.secureInput(); }, 5000))
        << inserter.inspectFocus().detail.toStdString();
}

} // namespace
