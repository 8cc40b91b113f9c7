#include "MivoraUI/HUD/BarsEngine.h"

#include <gtest/gtest.h>
using namespace mivora;

// A frame a second after the last: the frame factor is capped at 3, so a rising level is reached at once and
// the bars blend by 0.78.
TEST(BarsEngine, AStallCapsTheFrameFactor) {
    BarsEngine e;
    e.step(100, 0.8f, BarsMode::listen, false);
    const double centre = e.heights[6];
    e.step(101, 0.8f, BarsMode::listen, false);
    EXPECT_FLOAT_EQ(e.smooth, 0.8f);
    EXPECT_NEAR(e.heights[6], centre + (4 + 22 * 0.8 - centre) * 0.78, 1e-5);
}

TEST(BarsEngine, ReducedMotionSnapsToAFlatWave) {
    BarsEngine think;
    think.step(5, 0.9f, BarsMode::think, true);
    for (int i = 0; i < BarsEngine::count; ++i) {
        EXPECT_DOUBLE_EQ(think.heights[i], 7.0);
        EXPECT_DOUBLE_EQ(think.alphas[i], 0.6);
    }

    // Without reduced motion the wave travels: bars one step apart differ, and heights stay in 4...10.
    BarsEngine wave;
    for (int k = 0; k < 120; ++k)
        wave.step(10 + k / 60.0, 0, BarsMode::think, false);
    EXPECT_NE(wave.heights[0], wave.heights[1]);
    for (double h : wave.heights) {
        EXPECT_GE(h, 4.0);
        EXPECT_LE(h, 10.0);
    }
}
