// Timing of the legend wave, the progress sweep, the idle ball and the shine.
#include <gtest/gtest.h>

#include <vector>

#include "core/idle_motion.h"
#include "core/legend_wave.h"
#include "core/progress_sweep.h"

namespace {

struct Wave {
    int8_t glow[legend::kItemCount] = {};
    int frame = 0;
    bool running = false;
    int64_t end_time = 0;
    legend::WaveState state() { return {glow, &frame, &running, &end_time}; }

    // Intensities drawn in one frame; records the end time like the scene.
    std::vector<int> Frame(bool active, int64_t now) {
        legend::MaybeStartWave(state(), active, now);
        std::vector<int> lit;
        for (int i = 0; i < legend::kItemCount; ++i) {
            bool ended = false;
            lit.push_back(legend::LightItem(state(), active, i, &ended));
            if (ended) end_time = now;
        }
        return lit;
    }
};

}  // namespace

TEST(LegendRow, ItemsFollowTheirLabelsAndTheRowIsCentred) {
    const int widths[6] = {100, 90, 70, 80, 130, 75};
    int x[6], offset = 0;
    legend::LayoutRow(widths, 1.0, 16, 1024, x, &offset);
    EXPECT_EQ(offset, 24);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(x[i] - x[i - 1], offset + widths[i - 1] + 29) << i;
    const int total = (x[5] - x[0]) + offset + widths[5];
    EXPECT_EQ(x[0], static_cast<int>((1024 - total) / 2.0));

    legend::LayoutRow(widths, 1.0, 16, 300, x, &offset);  // wider than the window: starts left of 0
    EXPECT_LT(x[0], 0);
    EXPECT_EQ(x[0], static_cast<int>((300 - total) / 2.0));
}

TEST(LegendRow, ItemsInRowOrder) {
    const int32_t order[6] = {1, 4, 0, 3, 2, 5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(legend::kItems[i].state, order[i]);
    EXPECT_STREQ(legend::kItems[4].label, L"Master File Table");
}

TEST(LegendWave, EachItemLightsFiveFramesTwoFramesAfterItsLeftNeighbour) {
    Wave wave;
    std::vector<std::vector<int>> frames;
    for (int f = 1; f <= 16; ++f) frames.push_back(wave.Frame(true, 100));
    for (int k = 0; k < 6; ++k) {
        for (int f = 1; f <= 16; ++f) {
            const int expected = f >= 2 * k + 1 && f <= 2 * k + 5 ? 100 - 20 * (f - 2 * k - 1) : 0;
            EXPECT_EQ(frames[f - 1][k], expected) << "item " << k << " frame " << f;
        }
    }
    EXPECT_EQ(frames[6][3], 100);  // item 3 first lit in frame 7: 25 percent towards white
    EXPECT_FALSE(wave.running);
    EXPECT_EQ(wave.end_time, 100);
}

TEST(LegendWave, NextWaveWaitsTwoSecondsAndPausesWhileInactive) {
    Wave wave;
    for (int f = 0; f < 15; ++f) wave.Frame(true, 50);
    EXPECT_EQ(wave.Frame(true, 51)[0], 0);
    EXPECT_EQ(wave.Frame(true, 52)[0], 100);

    Wave paused;
    paused.Frame(true, 10);
    const std::vector<int> inactive = paused.Frame(false, 10);
    EXPECT_EQ(inactive, std::vector<int>(6, 0));
    EXPECT_EQ(paused.glow[0], 80);  // keeps its intensity
    EXPECT_EQ(paused.Frame(true, 10)[0], 80);
}

TEST(ProgressSweep, FillIsClampedToTheBar) {
    EXPECT_EQ(sweep::FillWidth(950, 0), 0);
    EXPECT_EQ(sweep::FillWidth(950, 100), 950);
    EXPECT_EQ(sweep::FillWidth(950, 33), 313);
    EXPECT_EQ(sweep::FillWidth(950, 250), 950);
    EXPECT_EQ(sweep::FillWidth(950, -20), 0);
    EXPECT_EQ(sweep::FillWidth(950, 2147483647), 950);
}

TEST(ProgressSweep, GradientRunsFromEdgeToMiddleAndIndexStaysInTable) {
    EXPECT_EQ(sweep::kGradient[0], 0x000100u);
    EXPECT_EQ(sweep::kGradient[52], 0x003210u);
    for (int i = 0; i < 53; ++i) EXPECT_EQ(sweep::GradientIndex(i, 1.0), i);
    for (double scale : {0.1484375, 1.25, 1.6767578125, 3.353515625, 7.0}) {
        int steps = 0;
        for (int i = 0; sweep::IsBandStep(i, scale); ++i, ++steps) {
            const int t = sweep::GradientIndex(i, scale);
            ASSERT_GE(t, 0);
            ASSERT_LE(t, 52);
        }
        EXPECT_GT(steps, 0);
    }
    EXPECT_EQ(sweep::GradientIndex(1000, 1.0), 52);
}

TEST(ProgressSweep, RunsAcrossTheBarAndStopsOncePast) {
    const int grid_width = 956;
    int position = 0, frames = 0;
    while (!sweep::HasPassedBar(grid_width, position, 1.0)) {
        position = sweep::Advance(position, 25, grid_width, 1.0);
        ++frames;
    }
    EXPECT_GE(position - 106, grid_width);
    EXPECT_EQ(frames, (956 + 106 + 24) / 25);
    int left_x, right_x;
    sweep::BandColumns(32, 0, 1.0, 0, &left_x, &right_x);
    EXPECT_EQ(left_x, 32 - 106);
    EXPECT_EQ(right_x, 31);  // at position 0 the band lies wholly left of the bar
}

TEST(IdleBall, RunsEndInTheRightCornerAfterTheRightNumberOfSteps) {
    struct Case { int rows, steps, end; } cases[] = {{15, 658, 672}, {16, 705, 767}, {48, 47, 47 * 48 + 47}};
    for (const Case& c : cases) {
        int direction = idle::UpLeft;  // left over from an interrupted run
        int position = 0, steps = 0;
        while (!idle::IsEndCorner(position, c.rows) && steps < 100000) {
            position = idle::NextBallPosition(position, c.rows, &direction);
            ASSERT_GE(position, 0);
            ASSERT_LT(position, c.rows * 48);
            ASSERT_EQ((position / 48 + position % 48) % 2, 0);
            ++steps;
        }
        EXPECT_EQ(steps, c.steps) << c.rows;
        EXPECT_EQ(position, c.end) << c.rows;
    }
}

TEST(IdleBall, TrailFadesOverSevenFrames) {
    std::vector<int> drawn;
    for (int t = idle::kTrailFull; t != 0; t = idle::FadedTrail(t)) drawn.push_back(t);
    EXPECT_EQ(drawn, (std::vector<int>{100, 85, 70, 55, 40, 25, 10}));
}

TEST(Shine, OneShineDrawsTwentyOneFrames) {
    int level = idle::kShineFresh;
    bool falling = false;  // whatever an earlier shine left
    std::vector<int> drawn;
    for (int frame = 0; frame < 40; ++frame) {
        const bool first = level == idle::kShineFresh;
        if (first) level = idle::kShineNone;
        drawn.push_back(level);
        if (idle::AdvanceShine(&level, &falling, first)) break;
    }
    const std::vector<int> expected = {100, 80, 60, 40, 20, 0, 7, 14, 21, 28, 35,
                                       42, 49, 56, 63, 70, 77, 84, 91, 98, 100};
    EXPECT_EQ(drawn, expected);
}
