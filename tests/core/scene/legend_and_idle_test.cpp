// Timing of the legend wave, the progress sweep and the idle ball.
#include <gtest/gtest.h>

#include <vector>

#include "core/scene/idle_motion.h"
#include "core/scene/legend_wave.h"
#include "core/scene/progress_sweep.h"

namespace {

struct Wave {
  int8_t glow[legend::kItemCount] = {};
  int frame = 0;
  bool running = false;
  int64_t end_time = 0;

  // Intensities drawn in one frame; records the end time like the scene.
  std::vector<int> Frame(bool active, int64_t now) {
    const legend::WaveState state = {glow, &frame, &running, &end_time};
    legend::MaybeStartWave(state, active, now);
    std::vector<int> lit;
    for (int i = 0; i < legend::kItemCount; ++i) {
      bool ended = false;
      lit.push_back(legend::LightItem(state, active, i, &ended));
      if (ended) end_time = now;
    }
    return lit;
  }
};

}  // namespace

TEST(LegendRow, ItemsInRowOrderFollowTheirLabelsAndAreCentred) {
  const int32_t order[6] = {1, 4, 0, 3, 2, 5};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(legend::kItems[i].state, order[i]);
  const int widths[6] = {100, 90, 70, 80, 130, 75};
  int x[6], offset = 0;
  for (int client : {1024, 300}) {  // 300: wider than the window, starts left of 0
    legend::LayoutRow(widths, 1.0, 16, client, x, &offset);
    EXPECT_EQ(offset, 24);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(x[i] - x[i - 1], offset + widths[i - 1] + 29) << i;
    EXPECT_EQ(x[0], static_cast<int>((client - (x[5] - x[0] + offset + widths[5])) / 2.0))
        << client;
  }
  EXPECT_LT(x[0], 0);
}

TEST(LegendWave, ItemsLightInTurnAndTheNextWaveWaitsTwoSeconds) {
  // Each frame's intensities are checked in the drawn legend (SceneFrame); here the wave's end.
  Wave wave;
  for (int f = 1; f <= 16; ++f) wave.Frame(true, 100);
  EXPECT_FALSE(wave.running);
  EXPECT_EQ(wave.end_time, 100);
  EXPECT_EQ(wave.Frame(true, 101)[0], 0);
  EXPECT_EQ(wave.Frame(true, 102)[0], 100);

  // While inactive every item is plain and keeps its intensity.
  EXPECT_EQ(wave.Frame(false, 102), std::vector<int>(6, 0));
  EXPECT_EQ(wave.glow[0], 80);
  EXPECT_EQ(wave.Frame(true, 102)[0], 80);
}

TEST(ProgressSweep, FillClampedAndGradientIndexInsideTheTable) {
  const int fills[][2] = {{0, 0}, {100, 950}, {33, 313}, {250, 950}, {-20, 0}, {2147483647, 950}};
  for (const auto& f : fills) EXPECT_EQ(sweep::FillWidth(950, f[0]), f[1]) << f[0];

  for (int i = 0; i < 53; ++i) EXPECT_EQ(sweep::GradientIndex(i, 1.0), i);
  for (double scale : {0.1484375, 1.25, 1.6767578125, 3.353515625, 7.0})
    for (int i = 0; sweep::IsBandStep(i, scale); ++i) {
      ASSERT_GE(sweep::GradientIndex(i, scale), 0);
      ASSERT_LE(sweep::GradientIndex(i, scale), 52);
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
  struct Case {
    int rows, steps, end;
  } cases[] = {{15, 658, 672}, {16, 705, 767}, {48, 47, 47 * 48 + 47}};
  for (const Case& c : cases) {
    int direction = idle::UpLeft;  // left over from an interrupted run
    int position = 0, steps = 0;
    while (!idle::IsEndCorner(position, c.rows) && steps < 100000) {
      position = idle::NextBallPosition(position, c.rows, &direction);
      ASSERT_TRUE(position >= 0 && position < c.rows * 48 &&
                  (position / 48 + position % 48) % 2 == 0)
          << position;
      ++steps;
    }
    EXPECT_EQ(steps, c.steps) << c.rows;
    EXPECT_EQ(position, c.end) << c.rows;
  }
}
