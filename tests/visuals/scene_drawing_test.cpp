// The frame as it reaches the window: cells, halos, bar, legend, idle ball
// and sparkle, checked at known pixels (never text).
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/cluster_map.h"
#include "core/image_processing.h"
#include "core/shine_blend.h"
#include "tests/scene/scene_test_support.h"

namespace {

constexpr COLORREF kBlack = 0;

// A scene during a cycle (no idle effects) with the sweep held off the bar.
void QuietCycle(SaverScene& scene) {
  scene.cycle_state = Analyzing;
  scene.now = g_test_now;
  scene.sweep_running = false;
  scene.sweep_end_time = g_test_now;
}

COLORREF OutlineAt(const Capture& shot, POINT cell, int cell_size) {
  return shot.at(cell.x + cell_size / 2, cell.y + 1);
}

// A memory context with a bitmap of its own, compatible with the scene's window.
struct Surface {
  HDC dc;
  HBITMAP bitmap;
  Surface(HDC like, int width, int height)
      : dc(CreateCompatibleDC(like)), bitmap(CreateCompatibleBitmap(like, width, height)) {
    SelectObject(dc, bitmap);
  }
  ~Surface() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

// A scene in a 1024 x 768 window, driven frame by frame.
class SceneFrame : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.Create(1024, 768)); }
  SceneHarness h;
  SaverScene& s = *h.scene;
};

}  // namespace

TEST_F(SceneFrame, SixColoursOfThreeBandsAndTheShineFromTheResource) {
  ASSERT_EQ(s.glow_bitmaps.size(), 6u);
  for (COLORREF color : cluster_colors_arr) {
    const HBITMAP* bands = s.glow_bitmaps[color].band_bitmaps;
    EXPECT_TRUE(bands[0] && bands[1] && bands[2] && bands[0] != bands[1] && bands[1] != bands[2]);
    BITMAP info = {};
    GetObjectW(bands[2], sizeof info, &info);
    EXPECT_TRUE(info.bmWidth == 20 && info.bmHeight == 20);
  }
  // Band 2 of the grey halo: lit around the outline, darker in the middle, grey.
  SelectObject(s.glow_dc, s.glow_bitmaps[0x656965].band_bitmaps[2]);
  const Capture halo = CaptureDc(s.glow_dc, 20, 20);
  const COLORREF ring = halo.at(10, 3);
  EXPECT_GT(GetGValue(ring), GetGValue(halo.at(10, 10)));
  EXPECT_TRUE(ring != kBlack && GetRValue(ring) == GetBValue(ring));

  // At scale 1 the sparkle is the 28x28 grey resource itself, brightest in one pixel.
  ASSERT_TRUE(s.shine_width == 28 && s.shine_height == 28);
  int brightest = 0;
  for (size_t i = 0; i < s.shine_pixels.size(); ++i) {
    const COLORREF p = s.shine_pixels[i];
    EXPECT_TRUE(GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p)) << i;
    EXPECT_EQ(p, GetPixel(s.shine_dc, static_cast<int>(i % 28), static_cast<int>(i / 28))) << i;
    brightest += GetRValue(p) == 255;
  }
  EXPECT_EQ(brightest, 1);
  EXPECT_EQ(s.shine_pixels[13 * 28 + 14], 0xFFFFFFu);
}

// The grid drawn cell by cell the plain way (halo copied, outline pen made
// for the cell, then the plain cells) equals the frame that Paint draws from
// its prepared pictures, at several scales (where the sparkle is resampled).
TEST(ScenePaint, GridEqualsTheCellByCellDrawing) {
  const struct {
    int width, height, shine_side;
  } clients[] = {{1024, 768, 28}, {1280, 1024, 35}, {1920, 1080, 47}};
  for (const auto& client : clients) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(client.width, client.height));
    SaverScene& s = *h.scene;
    const int side = client.shine_side;
    ASSERT_EQ(s.shine_width, side);
    ASSERT_EQ(s.shine_pixels.size(), static_cast<size_t>(side * side));
    EXPECT_NE(s.shine_pixels[(side / 2) * side + side / 2], kBlack) << side;
    EXPECT_EQ(s.shine_pixels[0], kBlack) << side;
    QuietCycle(s);
    const int glows[] = {0, 100, 85, 70, 55, 40, 25, 10, 50, 1, 0};
    for (int i = 0; i < s.cell_count;
         ++i) {  // every state, an unknown code, every fade step and others
      s.cell_state[i] = i % 7 == 6 ? 42 : i % 7;
      s.cell_glow[i] = static_cast<int8_t>(glows[i % 11]);
    }

    Surface expected(s.window_dc, s.width, s.height);
    Surface halo(s.window_dc, 1, 1);
    FillRect(expected.dc, &s.client_rect, s.black_brush);
    SelectObject(expected.dc, s.black_brush);
    const int d = static_cast<int>(2.0 * s.scale);
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 0; i < s.cell_count; ++i) {
        const POINT c = h.CellOrigin(i);
        const int32_t state = s.cell_state[i];
        const int glow = s.cell_glow[i];
        const COLORREF color = cluster_map::StateColor(state);
        if (pass == 0 && glow != 0) {
          SelectObject(halo.dc, s.glow_bitmaps[color].band_bitmaps[cluster_map::GlowBand(glow)]);
          BitBlt(expected.dc, c.x - d, c.y - d, s.glow_width, s.glow_height, halo.dc, 0, 0,
                 SRCCOPY);
          HPEN pen = CreatePen(PS_INSIDEFRAME, s.pen_width,
                               imaging::BlendTowards(color, 0xFFFFFF, glow / 3));
          HGDIOBJ old = SelectObject(expected.dc, pen);
          Rectangle(expected.dc, c.x, c.y, c.x + s.cell_size, c.y + s.cell_size);
          SelectObject(expected.dc, old);
          DeleteObject(pen);
        } else if (pass == 1 && cluster_map::FadedGlow(glow) == 0) {
          SelectObject(expected.dc,
                       s.cell_pens[state >= 0 && state < kClusterStateCount ? state : 0]);
          Rectangle(expected.dc, c.x, c.y, c.x + s.cell_size, c.y + s.cell_size);
        }
      }
    }
    SelectObject(halo.dc, halo.bitmap);
    s.Paint();
    // The back buffer holds the whole frame; a large window reaches past the test screen.
    const Capture want = CaptureDc(expected.dc, s.width, s.height),
                  got = CaptureDc(s.back_dc, s.width, s.height);
    const int top = s.grid_top - d, bottom = s.grid_top + s.rows * s.cell_pitch;
    int wrong = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < s.width; ++x)
        if (got.at(x, y) != want.at(x, y) && ++wrong <= 5)
          ADD_FAILURE() << client.width << ": pixel " << x << "," << y << std::hex << " got "
                        << got.at(x, y) << " expected " << want.at(x, y);
    EXPECT_EQ(wrong, 0) << client.width;
  }
}

TEST_F(SceneFrame, AMarkedCellGlowsForSevenFramesThenThePlainOutlineReturns) {
  QuietCycle(s);
  s.total_clusters = 7200;
  s.MarkClusterRange(10, 19, Fragmented);
  const POINT cell = h.CellOrigin(1);
  std::vector<COLORREF> outlines;
  for (int frame = 0; frame < 8; ++frame) {
    s.Paint();
    const Capture shot = h.CaptureWindow();
    outlines.push_back(OutlineAt(shot, cell, s.cell_size));
    EXPECT_EQ(shot.at(cell.x + s.cell_size / 2, cell.y + s.cell_size / 2), kBlack);
    EXPECT_EQ(shot.at(cell.x + s.cell_size / 2, cell.y - 1) != kBlack, frame < 7)
        << frame;  // the halo
  }
  std::vector<COLORREF> expected;
  for (int percent : {33, 28, 23, 18, 13, 8})
    expected.push_back(imaging::BlendTowards(0x00008C, 0xFFFFFF, percent));
  expected.insert(expected.end(),
                  {0x00008C, 0x00008C});  // the seventh frame draws the plain outline over
  EXPECT_EQ(outlines, expected);
}

TEST_F(SceneFrame, BarFillAndSweep) {
  QuietCycle(s);
  const int y = s.bar_top + s.bar_height / 2, inner_left = s.left + s.pen_width;
  s.now = g_test_now + 2;                       // the sweep ended 2 s ago: not yet restarted
  for (int percent : {0, 40, 100, 250, -30}) {  // the fill stays inside the bar
    s.percent = percent;
    s.Paint();
    const Capture shot = h.CaptureWindow();
    const int fill = percent <= 0     ? 0
                     : percent >= 100 ? s.bar_inner_width
                                      : s.bar_inner_width * percent / 100;
    if (fill > 0) {
      EXPECT_EQ(shot.at(inner_left, y), 0x00D133u) << percent;
      EXPECT_EQ(shot.at(inner_left + fill - 1, y), 0x00D133u) << percent;
    }
    if (fill < s.bar_inner_width) {
      EXPECT_EQ(shot.at(inner_left + fill, y), kBlack) << percent;
    }
    EXPECT_EQ(shot.at(s.left + s.grid_width - 1, y), 0x008B22u)
        << percent;  // the frame's right side
    EXPECT_EQ(shot.at(s.left + s.grid_width, y), kBlack) << percent;
  }

  // 3 s after its end the sweep runs again; it brightens the frame and the
  // filled inside, brightest in its middle.
  EXPECT_FALSE(s.sweep_running);
  s.now = g_test_now + 3;
  s.percent = 100;
  s.sweep_position = 500 - s.sweep_step;  // advanced to 500 by the frame
  s.Paint();
  EXPECT_TRUE(s.sweep_running);
  EXPECT_EQ(s.sweep_position, 500);
  const Capture shot = h.CaptureWindow();
  const int middle = s.left + 500 - 53;
  EXPECT_EQ(shot.at(middle, s.bar_top), RGB(34 + 16, 139 + 50, 0));
  EXPECT_EQ(shot.at(middle, y), RGB(51 + 8, 209 + 25, 0));
  EXPECT_EQ(shot.at(s.left + 500, s.bar_top), 0x008B22u);  // right of the band
}

TEST_F(SceneFrame, PlainLegendAndNoIdleEffectsWithTheAnimationOff) {
  s.idle_animation = false;
  s.now = g_test_now + 100;
  s.Paint();
  const Capture shot = h.CaptureWindow();
  const COLORREF order[6] = {0x008B22, 0xA72D00, 0x656965, 0x00008C, 0x8C0084, 0x2DA5A8};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(shot.at(s.legend_x[i] + s.cell_size / 2, s.legend_y + s.pen_width - 1), order[i])
        << i;
    EXPECT_EQ(shot.at(s.legend_x[i] + s.cell_size / 2, s.legend_y + s.pen_width), kBlack) << i;
  }
  EXPECT_FALSE(s.legend_wave_running);
  EXPECT_EQ(s.shine_cell, -1);
  EXPECT_EQ(s.idle_position, -1);
  EXPECT_EQ(s.sweep_position, 0);
}

TEST_F(SceneFrame, DibSectionGivesThePixelsOfGetPixelAndSetPixel) {
  Surface plain(s.window_dc, 100, 80), fast(s.window_dc, 100, 80);
  const int places[][3] = {{10, 10, 0},   {-12, -9, 40}, {85, 60, 0},
                           {90, -20, 75}, {40, 30, 100}, {500, 0, 0}};
  for (const auto& place : places) {
    srand(7);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) {
        const COLORREF c = RGB(rand() & 255, rand() & 255, rand() & 255);
        SetPixel(plain.dc, x, y, c);
        SetPixel(fast.dc, x, y, c);
      }
    const int sx = place[0], sy = place[1], level = place[2];
    for (int i = 0; i < s.shine_height; ++i)
      for (int j = 0; j < s.shine_width; ++j) {
        COLORREF dest = GetPixel(plain.dc, sx + j, sy + i);
        SaverScene::BlendShinePixel(GetPixel(s.shine_dc, j, i), &dest, level);
        SetPixel(plain.dc, sx + j, sy + i, dest);
      }
    BlendShineOver(fast.dc, 100, 80, s.shine_pixels, s.shine_width, s.shine_height, sx, sy, level);
    EXPECT_EQ(CaptureDc(plain.dc, 100, 80).words, CaptureDc(fast.dc, 100, 80).words)
        << sx << "," << sy << " level " << level;
  }
}

TEST_F(SceneFrame, BallStartsAfterTwentySecondsAndEndsAfterResting) {
  s.idle_animation = true;
  s.shine_last_time = g_test_now + 1000;  // no sparkle over the ball
  s.cycle_end_time = g_test_now;
  s.now = g_test_now + 19;
  s.Paint();
  EXPECT_EQ(s.idle_position, -1);
  s.now = g_test_now + 20;
  s.Paint();  // starts the run and takes the first step
  EXPECT_EQ(s.idle_position, 49);
  EXPECT_EQ(s.idle_trail[0], 85);
  EXPECT_EQ(s.idle_trail[49], 100);
  s.Paint();
  // Cell 49 drawn at 100: band 2 halo and an outline 33 percent towards white.
  EXPECT_EQ(OutlineAt(h.CaptureWindow(), h.CellOrigin(49), s.cell_size),
            imaging::BlendTowards(0x656965, 0xFFFFFF, 33));
  int frames = 2;
  while (s.idle_position != 672 && frames < 2000) {
    s.Paint();
    ++frames;
  }
  EXPECT_EQ(frames, 658);
  int resting = 0;
  g_test_now += 5;
  while (s.idle_position == 672 && resting < 50) {
    s.Paint();
    ++resting;
  }
  EXPECT_EQ(resting, 7);
  EXPECT_EQ(s.idle_position, -1);
  EXPECT_EQ(s.cycle_end_time, g_test_now);
}

TEST_F(SceneFrame, ShineStartsOnTheFirstIdleFrameAndLastsTwentyOneFrames) {
  s.idle_animation = true;
  s.now = g_test_now;
  std::vector<int> levels = {100};  // the frame that picks the shine draws it at 100
  s.Paint();
  ASSERT_NE(s.shine_cell, -1);
  const int cell = s.shine_cell;
  while (s.shine_cell == cell && levels.size() < 40) {
    levels.push_back(s.shine_level);
    s.Paint();
    // At full sparkle its brightest pixel, (14, 13) of the picture, lands 12 pixels up-left of the
    // cell.
    if (levels.back() == 0) {
      EXPECT_EQ(h.CaptureWindow().at(h.CellOrigin(cell).x + 2, h.CellOrigin(cell).y + 1),
                0xFFFFFFu);
    }
  }
  EXPECT_EQ(levels, (std::vector<int>{100, 80, 60, 40, 20, 0,  7,  14, 21, 28, 35,
                                      42,  49, 56, 63, 70, 77, 84, 91, 98, 100}));
  EXPECT_EQ(s.shine_cell, -1);
  EXPECT_EQ(s.shine_last_time, g_test_now);
}
