#include <gtest/gtest.h>

#include "core/scene/saver_scene.h"

namespace {

TEST(SceneLayoutTest, WorkedLayouts) {
  const struct {
    int w, h;
    double scale;
    int values[13];  // in the order of `got` below
  } table[] = {
      {1024, 768, 1.0, {20, 16, 32, 956, 70, 15, 720, 398, 730, 24, 22, 3, 25}},
      {1280, 1024, 1.25, {25, 20, 40, 1195, 87, 18, 864, 572, 976, 30, 28, 4, 31}},
      {1920, 1080, 1.6767578125, {34, 27, 144, 1625, 117, 15, 720, 673, 1016, 41, 37, 6, 41}},
      {1280, 800, 1.2421875, {25, 20, 40, 1195, 86, 15, 720, 495, 752, 30, 28, 4, 31}},
      {1590, 1000, 1.552734375, {32, 25, 27, 1529, 108, 15, 720, 631, 940, 38, 35, 5, 38}},
      {152, 112, 0.1484375, {3, 3, 4, 144, 10, 15, 720, 59, 105, 4, 4, 1, 3}},
      {1080, 1920, 1.0546875, {22, 17, 12, 1051, 73, 65, 3120, 1532, 1879, 26, 24, 4, 26}},
  };
  for (const auto& e : table) {
    SCOPED_TRACE(testing::Message() << e.w << "x" << e.h);
    SceneLayout l;
    ASSERT_TRUE(ComputeSceneLayout(e.w, e.h, &l));
    const int got[] = {l.cell_pitch,  l.cell_size,  l.left,      l.grid_width, l.grid_top,
                       l.rows,        l.cell_count, l.y,         l.legend_y,   l.line_height,
                       l.font_height, l.pen_width,  l.sweep_step};
    EXPECT_EQ(e.scale, l.scale);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(e.values[i], got[i]) << "value " << i;
  }
  SceneLayout l;
  ASSERT_TRUE(ComputeSceneLayout(1024, 768, &l));
  const int rest[] = {l.title_y, l.status_y,        l.bar_top,    l.bar_height,
                      l.log_top, l.bar_inner_width, l.glow_width, l.glow_height};
  const int expected_rest[] = {25, 393, 420, 16, 453, 950, 20, 20};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(expected_rest[i], rest[i]) << "value " << i;
  EXPECT_DOUBLE_EQ(-0.3125, l.scroll_accel);
  ASSERT_TRUE(ComputeSceneLayout(20, 20, &l));  // a tiny area still sweeps
  EXPECT_EQ(1, l.sweep_step);
  EXPECT_EQ(15, l.rows);
  EXPECT_FALSE(ComputeSceneLayout(0, 768, &l));
  EXPECT_FALSE(ComputeSceneLayout(1024, 0, &l));
  EXPECT_FALSE(ComputeSceneLayout(-5, -5, &l));
}

}  // namespace
