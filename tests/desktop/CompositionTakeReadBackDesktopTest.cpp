// The field a take over a composition reads back is held across the wait, and only the questions asked of
// it, one at a time, wait the short time-out: every other question of the program meanwhile (a password
// check in a slow application) keeps its own.
#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/AtspiSession.h"
#include "Platform/Linux/AtspiTextAccess.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

using namespace mivora;
using namespace mivora::test;

namespace {

struct CompositionTakeReadBack : LinuxDesktop {};

TEST_F(CompositionTakeReadBack, AHeldFieldShortensOnlyTheQuestionsAskedOfIt) {
    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "/usr/bin/python3", {MIVORA_GTK_TARGET}));
    AtspiSession session;
    AtspiAccessibility accessibility(session);
    AtspiTextAccess text(accessibility, session);
    std::unique_ptr<FocusedText> field;
    ASSERT_TRUE(waitUntil(
        [&] {
            field = text.focusedText(target.processId()).field;
            return field != nullptr;
        },
        desktopDeadlineMs));
    EXPECT_EQ(session.timeoutNowMs(), AtspiSession::timeoutMs);
    EXPECT_TRUE(field->value().has_value());
    EXPECT_TRUE(field->selection().has_value());
    EXPECT_EQ(session.timeoutNowMs(), AtspiSession::timeoutMs);
    field.reset();
    EXPECT_EQ(session.timeoutNowMs(), AtspiSession::timeoutMs);
}

} // namespace
