#include <gtest/gtest.h>

#include "core/saver_scene.h"

namespace {

struct Expected {
  int w, h;
  double scale;
  int pitch, size, left, grid_width, grid_top, rows, cells, y, legend_y, line_height, font,
      pen, sweep;
};

TEST(SceneLayoutTest, WorkedLayouts) {
  const Expected table[] = {
      {1024, 768, 1.0, 20, 16, 32, 956, 70, 15, 720, 398, 730, 24, 22, 3, 25},
      {1280, 1024, 1.25, 25, 20, 40, 1195, 87, 18, 864, 572, 976, 30, 28, 4, 31},
      {1920, 1080, 1.6767578125, 34, 27, 144, 1625, 117, 15, 720, 673, 1016, 41, 37, 6, 41},
      {1280, 800, 1.2421875, 25, 20, 40, 1195, 86, 15, 720, 495, 752, 30, 28, 4, 31},
      {1590, 1000, 1.552734375, 32, 25, 27, 1529, 108, 15, 720, 631, 940, 38, 35, 5, 38},
      {152, 112, 0.1484375, 3, 3, 4, 144, 10, 15, 720, 59, 105, 4, 4, 1, 3},
      {1080, 1920, 1.0546875, 22, 17, 12, 1051, 73, 65, 3120, 1532, 1879, 26, 24, 4, 26},
  };
  for (const Expected& e : table) {
    SCOPED_TRACE(testing::Message() << e.w << "x" << e.h);
    SceneLayout l;
    ASSERT_TRUE(ComputeSceneLayout(e.w, e.h, &l));
    EXPECT_EQ(e.scale, l.scale);
    EXPECT_EQ(e.pitch, l.cell_pitch);
    EXPECT_EQ(e.size, l.cell_size);
    EXPECT_EQ(e.left, l.left);
    EXPECT_EQ(e.grid_width, l.grid_width);
    EXPECT_EQ(e.grid_top, l.grid_top);
    EXPECT_EQ(e.rows, l.rows);
    EXPECT_EQ(e.cells, l.cell_count);
    EXPECT_EQ(e.y, l.y);
    EXPECT_EQ(e.legend_y, l.legend_y);
    EXPECT_EQ(e.line_height, l.line_height);
    EXPECT_EQ(e.font, l.font_height);
    EXPECT_EQ(e.pen, l.pen_width);
    EXPECT_EQ(e.sweep, l.sweep_step);
  }
}

TEST(SceneLayoutTest, RemainingValuesAt1024x768) {
  SceneLayout l;
  ASSERT_TRUE(ComputeSceneLayout(1024, 768, &l));
  EXPECT_EQ(25, l.title_y);
  EXPECT_EQ(393, l.status_y);
  EXPECT_EQ(420, l.bar_top);
  EXPECT_EQ(16, l.bar_height);
  EXPECT_EQ(453, l.log_top);
  EXPECT_EQ(950, l.bar_inner_width);
  EXPECT_EQ(20, l.glow_size);
  EXPECT_DOUBLE_EQ(-0.3125, l.scroll_accel);
}

TEST(SceneLayoutTest, TinyAreaKeepsASweepStepAndEmptyAreaFails) {
  SceneLayout l;
  ASSERT_TRUE(ComputeSceneLayout(20, 20, &l));
  EXPECT_EQ(1, l.sweep_step);
  EXPECT_EQ(15, l.rows);
  EXPECT_FALSE(ComputeSceneLayout(0, 768, &l));
  EXPECT_FALSE(ComputeSceneLayout(1024, 0, &l));
  EXPECT_FALSE(ComputeSceneLayout(-5, -5, &l));
  ASSERT_TRUE(ComputeSceneLayout(1, 20000, &l));
  EXPECT_GE(l.rows, 15);
}

}  // namespace
