// A probe's answers as readiness believes them: late answers keep a yes for a few polls, never longer,
// and never turn a no (or nothing known) into a yes.
#include "Platform/SteadyAnswer.h"

#include <gtest/gtest.h>

using namespace mivora;

TEST(SteadyAnswer, ALateAnswerKeepsAYesForAFewPollsOnly) {
    SteadyAnswer steady;
    EXPECT_FALSE(steady.known());
    EXPECT_FALSE(steady.take(std::nullopt)) << "late before any answer is no answer";
    EXPECT_TRUE(steady.take(true));
    for (int late = 0; late < SteadyAnswer::lateAnswersKept; ++late)
        EXPECT_TRUE(steady.take(std::nullopt)) << "late answer " << late;
    EXPECT_FALSE(steady.take(std::nullopt)) << "silent for longer: gone";
    EXPECT_FALSE(steady.take(std::nullopt));
    EXPECT_TRUE(steady.take(true));
    EXPECT_TRUE(steady.take(std::nullopt)) << "an answer in time starts the count again";
    EXPECT_FALSE(steady.take(false)) << "a no is believed at once";
    EXPECT_FALSE(steady.take(std::nullopt));
}
