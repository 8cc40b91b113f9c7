#include "Support/Paths.h"

#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

using namespace mivora;
using mivora::test::ScopedEnv;

TEST(Paths, FollowHomeAndTheXdgVariables) {
    ScopedEnv home("HOME", "/h/ana");
    {
        ScopedEnv data("XDG_DATA_HOME", nullptr), state("XDG_STATE_HOME", nullptr), tmp("TMPDIR", nullptr);
        EXPECT_EQ(Paths::home(), "/h/ana");
        EXPECT_EQ(Paths::appData(), "/h/ana/.local/share/Mivora");
        EXPECT_EQ(Paths::logDir(), "/h/ana/.local/state/Mivora");
        EXPECT_EQ(Paths::developerDir(), "/h/ana/.yarrik");
        EXPECT_EQ(Paths::temp(), "/tmp");
    }
    ScopedEnv data("XDG_DATA_HOME", "/x/data"), state("XDG_STATE_HOME", "/x/state"), tmp("TMPDIR", "/x/tmp");
    EXPECT_EQ(Paths::appData(), "/x/data/Mivora");
    EXPECT_EQ(Paths::logDir(), "/x/state/Mivora");
    EXPECT_EQ(Paths::temp(), "/x/tmp");
    EXPECT_EQ(Paths::developerDir(), "/h/ana/.yarrik"); // not an XDG folder
}

TEST(Paths, IgnoreRelativeAndEmptyValues) {
    ScopedEnv home("HOME", "/h/bo");
    for (const char* bad : {"relative/dir", "", "./here"}) {
        SCOPED_TRACE(bad);
        ScopedEnv data("XDG_DATA_HOME", bad), state("XDG_STATE_HOME", bad), tmp("TMPDIR", bad);
        EXPECT_EQ(Paths::appData(), "/h/bo/.local/share/Mivora");
        EXPECT_EQ(Paths::logDir(), "/h/bo/.local/state/Mivora");
        EXPECT_EQ(Paths::temp(), "/tmp");
    }
}
