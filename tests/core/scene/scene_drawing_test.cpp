// The frame as it reaches the window: cells, halos, bar, legend, idle ball
// and sparkle, checked at known pixels (never text). The expected colours and
// pictures follow the drawing rules written out below, not the scene's helpers.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <ostream>

#include "core/scene/dib_header.h"
#include "core/scene/shine_blend.h"
#include "tests/core/scene/scene_test_support.h"

namespace {

constexpr COLORREF kBlack = 0;
// The cell colours of states 0 to 5; any other state is drawn as free space.
constexpr COLORREF kStateColours[6] = {0x656965, 0x008B22, 0x8C0084, 0x00008C, 0xA72D00, 0x2DA5A8};
COLORREF StateColour(int32_t state) {
  return state >= 0 && state < 6 ? kStateColours[state] : kStateColours[0];
}

// A colour moved towards white by percent, each channel truncated.
COLORREF TowardWhite(COLORREF colour, int percent) {
  auto move = [percent](int f) { return f + (255 - f) * percent / 100; };
  return RGB(move(GetRValue(colour)), move(GetGValue(colour)), move(GetBValue(colour)));
}

// A screen pixel under one pixel of the grey sparkle at this level: a shine
// pixel of brightness p lets level + 100 - p percent of the screen through.
COLORREF ShineOver(COLORREF shine, COLORREF screen, int level) {
  const int p = (100 * GetRValue(shine) + 254) / 255;
  const int through = std::max(0, std::min(100, level + 100 - p));
  auto mix = [through](int h, int c) { return h - (h - c) * through / 100; };
  return RGB(mix(GetRValue(shine), GetRValue(screen)), mix(GetGValue(shine), GetGValue(screen)),
             mix(GetBValue(shine), GetBValue(screen)));
}

// Glow band of a glow or trail value (1..100), and the value after a drawn frame.
int Band(int glow) { return glow <= 33 ? 0 : glow <= 66 ? 1 : 2; }
int Faded(int glow) { return std::max(0, glow - 15); }

// A scene during a cycle (no idle effects) with the sweep held off the bar.
void QuietCycle(SaverScene& scene) {
  SceneProbe probe(scene);
  probe.cycle_state = Analyzing;
  probe.now = g_test_now;
  probe.sweep_running = false;
  probe.sweep_end_time = g_test_now;
}

COLORREF OutlineAt(const Capture& shot, POINT cell, int cell_size) {
  return shot.at(cell.x + cell_size / 2, cell.y + 1);
}

// Same pixels in the rows from `top` up to `bottom`, or where the first differs.
::testing::AssertionResult SameRows(const Capture& got, const Capture& want, int top, int bottom) {
  int wrong = 0;
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < want.width; ++x)
      if (got.at(x, y) != want.at(x, y) && ++wrong == 1)
        result = ::testing::AssertionFailure() << "pixel " << x << "," << y << std::hex << " is "
                                               << got.at(x, y) << ", not " << want.at(x, y);
  return wrong == 0 ? result : result << std::dec << " (" << wrong << " pixels differ)";
}

// The pixels of a bitmap selected nowhere, bottom row first, as a capture.
Capture BitmapPixels(HDC like, HBITMAP bitmap, int width, int height) {
  Capture pixels;
  pixels.width = width;
  pixels.height = height;
  pixels.words.resize(static_cast<size_t>(width) * height);
  BITMAPINFO info = Dib32Header(width, height);
  GetDIBits(like, bitmap, 0, height, pixels.words.data(), &info, DIB_RGB_COLORS);
  for (uint32_t& word : pixels.words) word &= 0xFFFFFF;
  return pixels;
}

// The three halos of each state colour built as the rules build them: in a
// bitmap compatible with the window, four outline squares d pixels left, right,
// up and down of the cell's place, moved towards white by p / 3 percent
// (p = 1, 50, 100 for bands 0, 1, 2; d = 1.5 scale p / 100), then every pixel
// the sum over the 2R x 2R window behind it (R = 3 scale; rows in the order
// GetDIBits gives them) divided by (2R + 1)^2 in single precision.
struct RuleHalos {
  std::map<COLORREF, HBITMAP> bands[3];

  explicit RuleHalos(const SaverScene& s) {
    SceneProbe p(s);
    const int w = p.glow_width, h = p.glow_height, size = p.cell_size;
    const int o = static_cast<int>(2 * p.scale), r = static_cast<int>(3 * p.scale);
    const float k = 1.0f / ((2 * r + 1) * (2 * r + 1));
    const int percents[3] = {1, 50, 100};
    HDC dc = CreateCompatibleDC(p.window_dc);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    const HGDIOBJ original = GetCurrentObject(dc, OBJ_BITMAP);
    HBRUSH black = CreateSolidBrush(kBlack);
    const RECT all = {0, 0, w, h};
    BITMAPINFO info = Dib32Header(w, h);
    for (COLORREF colour : kStateColours)
      for (int band = 0; band < 3; ++band) {
        const int percent = percents[band], d = static_cast<int>(p.scale * 1.5 * percent / 100.0);
        HBITMAP bitmap = CreateCompatibleBitmap(p.window_dc, w, h);
        SelectObject(dc, bitmap);
        FillRect(dc, &all, black);
        HPEN pen = CreatePen(PS_INSIDEFRAME, p.pen_width, TowardWhite(colour, percent / 3));
        HGDIOBJ old_pen = SelectObject(dc, pen);
        Rectangle(dc, o - d, o, o + size - d + 1, o + size);
        Rectangle(dc, o + d, o, o + size + d + 1, o + size);
        Rectangle(dc, o, o - d, o + size + 1, o + size - d);
        Rectangle(dc, o, o + d, o + size + 1, o + size + d);
        SelectObject(dc, old_pen);
        DeleteObject(pen);
        SelectObject(dc, original);
        const Capture outline = BitmapPixels(dc, bitmap, w, h);
        std::vector<uint32_t> halo(outline.words.size());
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
              int sum = 0;
              for (int wy = std::max(y - r, 0) + 1; wy <= std::min(y + r, h - 1); ++wy)
                for (int wx = std::max(x - r, 0) + 1; wx <= std::min(x + r, w - 1); ++wx)
                  sum += (outline.words[static_cast<size_t>(wy) * w + wx] >> (8 * c)) & 0xFF;
              halo[static_cast<size_t>(y) * w + x] |=
                  static_cast<uint32_t>(static_cast<int>(sum * static_cast<double>(k))) << (8 * c);
            }
        SetDIBits(dc, bitmap, 0, h, halo.data(), &info, DIB_RGB_COLORS);
        bands[band][colour] = bitmap;
      }
    DeleteObject(black);
    DeleteDC(dc);
  }
  ~RuleHalos() {
    for (auto& band : bands)
      for (auto& entry : band) DeleteObject(entry.second);
  }
};

// A cell's square: the outline in a PS_INSIDEFRAME pen, filled with the brush selected.
void Outline(HDC dc, POINT at, int size, int pen_width, COLORREF colour) {
  HPEN pen = CreatePen(PS_INSIDEFRAME, pen_width, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  Rectangle(dc, at.x, at.y, at.x + size, at.y + size);
  SelectObject(dc, old);
  DeleteObject(pen);
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

// The grid of one frame drawn cell by cell by the rules: each glowing cell's halo
// copied under it and its outline moved towards white by glow / 3 percent; then
// the plain outlines of the cells still unlit after the frame's fade and, while
// idle, without a trail; then, while idle, each trail cell lit by its trail.
void DrawGridByTheRules(const SceneHarness& h, const RuleHalos& halos, HDC dc, bool idle,
                        const std::vector<int32_t>& state, const std::vector<int>& glow,
                        const std::vector<int>& trail) {
  const SaverScene& s = *h.scene;
  SceneProbe p{s};
  HDC halo_dc = CreateCompatibleDC(p.window_dc);
  const HGDIOBJ original = GetCurrentObject(halo_dc, OBJ_BITMAP);
  const int d = static_cast<int>(2.0 * p.scale);
  auto outline = [&](int i, COLORREF colour) {
    Outline(dc, h.CellOrigin(i), p.cell_size, p.pen_width, colour);
  };
  auto lit = [&](int i, int value) {
    const COLORREF colour = StateColour(state[i]);
    const POINT c = h.CellOrigin(i);
    SelectObject(halo_dc, halos.bands[Band(value)].at(colour));
    BitBlt(dc, c.x - d, c.y - d, p.glow_width, p.glow_height, halo_dc, 0, 0, SRCCOPY);
    outline(i, TowardWhite(colour, value / 3));
  };
  const int count = static_cast<int>(state.size());
  for (int i = 0; i < count; ++i)
    if (glow[i] != 0) lit(i, glow[i]);
  for (int i = 0; i < count; ++i)
    if (Faded(glow[i]) == 0 && !(idle && trail[i] != 0)) outline(i, StateColour(state[i]));
  for (int i = 0; idle && i < count; ++i)
    if (trail[i] != 0) lit(i, trail[i]);
  SelectObject(halo_dc, original);
  DeleteDC(halo_dc);
}

// A scene in a 1024 x 768 window, driven frame by frame. Its texts are measured
// 10 pixels a character, about as wide as the fonts wine falls back to draw them:
// the legend row is placed alike on every machine (in the widest of those fonts
// it would run off both sides), and no drawn label reaches the next item's square.
class SceneFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    p.measure_text = [](const wchar_t*, int length) { return 10 * length; };
    ASSERT_TRUE(h.Create(1024, 768));
  }
  SceneHarness h;
  SaverScene& s = *h.scene;
  SceneProbe p{s};
};

// The same at the scales of 1024, 1280 and 1920 wide windows; the sparkle is
// resampled at the last two.
struct Client {
  int width, height, shine_side;
};
void PrintTo(const Client& c, std::ostream* out) { *out << c.width << "x" << c.height; }
class SceneAtScale : public ::testing::TestWithParam<Client> {
 protected:
  void SetUp() override { ASSERT_TRUE(h.Create(GetParam().width, GetParam().height)); }
  SceneHarness h;
  SaverScene& s = *h.scene;
  SceneProbe p{s};
};
INSTANTIATE_TEST_SUITE_P(Clients, SceneAtScale,
                         ::testing::Values(Client{1024, 768, 28}, Client{1280, 1024, 35},
                                           Client{1920, 1080, 47}),
                         [](const ::testing::TestParamInfo<Client>& info) {
                           return std::to_string(info.param.width) + "wide";
                         });

}  // namespace

// A pixel beside a row is not the neighbouring row's first or last one: the read fails the test.
TEST(CaptureOfAFrame, ReadingOutsideTheSurfaceFailsTheTest) {
  Capture shot;
  shot.width = 2;
  shot.height = 2;
  shot.words = {0x000001, 0x000002, 0x000003, 0x000004};
  EXPECT_EQ(shot.at(1, 1), RGB(0, 0, 4));
  for (POINT outside : {POINT{-1, 1}, POINT{2, 0}, POINT{0, 2}, POINT{0, -1}}) {
    COLORREF read = 0;
    EXPECT_NONFATAL_FAILURE(read = shot.at(outside.x, outside.y), "outside the 2x2 capture");
    EXPECT_EQ(read, CLR_INVALID);
  }
}

TEST_P(SceneAtScale, HalosAndSparkleAreMadeByTheirRules) {
  ASSERT_EQ(p.glow_bitmaps.size(), 6u);
  const RuleHalos rules(s);
  for (COLORREF colour : kStateColours) {
    ASSERT_EQ(p.glow_bitmaps.count(colour), 1u);
    for (int band = 0; band < 3; ++band)
      EXPECT_TRUE(SameRows(
          BitmapPixels(p.window_dc, p.glow_bitmaps[colour].band_bitmaps[band], p.glow_width,
                       p.glow_height),
          BitmapPixels(p.window_dc, rules.bands[band].at(colour), p.glow_width, p.glow_height), 0,
          p.glow_height))
          << std::hex << colour << " band " << band;
  }

  // The sparkle is grey, its pixels those of shine_dc; at scale 1 it is the
  // 28x28 resource itself, brightest in one pixel.
  const int side = GetParam().shine_side;
  ASSERT_TRUE(p.shine_width == side && p.shine_height == side);
  ASSERT_EQ(p.shine_pixels.size(), static_cast<size_t>(side * side));
  int brightest = 0;
  for (size_t i = 0; i < p.shine_pixels.size(); ++i) {
    const COLORREF pixel = p.shine_pixels[i];
    EXPECT_TRUE(GetRValue(pixel) == GetGValue(pixel) && GetGValue(pixel) == GetBValue(pixel)) << i;
    EXPECT_EQ(pixel, GetPixel(p.shine_dc, static_cast<int>(i % side), static_cast<int>(i / side)))
        << i;
    brightest += GetRValue(pixel) == 255;
  }
  EXPECT_EQ(p.shine_pixels[0], kBlack);
  if (side == 28) {
    EXPECT_EQ(brightest, 1);
    EXPECT_EQ(p.shine_pixels[13 * 28 + 14], 0xFFFFFFu);
  } else {
    EXPECT_NE(p.shine_pixels[(side / 2) * side + side / 2], kBlack);
  }
}

// Paint draws lit cells grouped by prepared picture; the frame must equal the
// cell-by-cell drawing, during a cycle and while idle with the ball's trail over
// cells of every state, at every fade step and with other values.
TEST_P(SceneAtScale, GridEqualsTheCellByCellDrawing) {
  const RuleHalos halos(s);
  p.now = g_test_now;
  p.idle_animation = true;
  p.shine_last_time = g_test_now + 1000;  // no sparkle
  const int glows[] = {0, 100, 85, 70, 55, 40, 25, 10, 50, 1, 0};
  const int trails[] = {0, 100, 85, 70, 0, 55, 40, 25, 10, 50, 0, 1, 0};
  const int d = static_cast<int>(2.0 * p.scale);
  for (const CycleState state : {Analyzing, Idle}) {
    p.cycle_state = state;
    std::vector<int32_t> states(p.cell_count);
    std::vector<int> glow(p.cell_count), trail(p.cell_count);
    for (int i = 0; i < p.cell_count; ++i) {
      p.cell_state[i] = states[i] = i % 7 == 6 ? 42 : i % 7;  // every state and an unknown one
      p.cell_glow[i] = static_cast<int8_t>(glow[i] = glows[i % 11]);
      p.idle_trail[i] = static_cast<int8_t>(trail[i] = trails[i % 13]);
    }
    p.idle_position = 2 * grid_columns + 2;  // a ball under way

    Surface expected(p.window_dc, p.width, p.height);
    FillRect(expected.dc, &p.client_rect, p.black_brush);
    SelectObject(expected.dc, p.black_brush);
    DrawGridByTheRules(h, halos, expected.dc, state == Idle, states, glow, trail);
    s.Paint();
    // The back buffer holds the whole frame; a large window reaches past the test screen.
    EXPECT_TRUE(SameRows(CaptureDc(p.back_dc, p.width, p.height),
                         CaptureDc(expected.dc, p.width, p.height), p.grid_top - d,
                         p.grid_top + p.rows * p.cell_pitch))
        << (state == Idle ? "idle" : "cycle");
  }
}

TEST_P(SceneAtScale, SparkleThroughADibSectionEqualsGetPixelAndSetPixel) {
  Surface plain(p.window_dc, 100, 80), fast(p.window_dc, 100, 80);
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
    for (int i = 0; i < p.shine_height; ++i)
      for (int j = 0; j < p.shine_width; ++j)
        SetPixel(plain.dc, sx + j, sy + i,
                 ShineOver(GetPixel(p.shine_dc, j, i), GetPixel(plain.dc, sx + j, sy + i), level));
    BlendShineOver(fast.dc, 100, 80, p.shine_pixels, p.shine_width, p.shine_height, sx, sy, level);
    EXPECT_TRUE(SameRows(CaptureDc(fast.dc, 100, 80), CaptureDc(plain.dc, 100, 80), 0, 80))
        << sx << "," << sy << " level " << level;
  }
}

TEST_F(SceneFrame, AMarkedCellGlowsForSevenFramesThenThePlainOutlineReturns) {
  QuietCycle(s);
  p.total_clusters = 7200;
  s.MarkClusterRange(10, 19, Fragmented);
  const POINT cell = h.CellOrigin(1);
  std::vector<COLORREF> outlines;
  for (int frame = 0; frame < 8; ++frame) {
    s.Paint();
    const Capture shot = h.CaptureWindow();
    outlines.push_back(OutlineAt(shot, cell, p.cell_size));
    EXPECT_EQ(shot.at(cell.x + p.cell_size / 2, cell.y + p.cell_size / 2), kBlack);
    EXPECT_EQ(shot.at(cell.x + p.cell_size / 2, cell.y - 1) != kBlack, frame < 7)
        << frame;  // the halo
  }
  std::vector<COLORREF> expected;
  for (int percent : {33, 28, 23, 18, 13, 8}) expected.push_back(TowardWhite(0x00008C, percent));
  expected.insert(expected.end(),
                  {0x00008C, 0x00008C});  // the seventh frame draws the plain outline over
  EXPECT_EQ(outlines, expected);
}

TEST_F(SceneFrame, BarFillAndSweep) {
  QuietCycle(s);
  const int y = p.bar_top + p.bar_height / 2, inner_left = p.left + p.pen_width;
  p.now = g_test_now + 2;                       // the sweep ended 2 s ago: not yet restarted
  for (int percent : {0, 40, 100, 250, -30}) {  // the fill stays inside the bar
    p.percent = percent;
    s.Paint();
    const Capture shot = h.CaptureWindow();
    const int fill = percent <= 0     ? 0
                     : percent >= 100 ? p.bar_inner_width
                                      : p.bar_inner_width * percent / 100;
    if (fill > 0) {
      EXPECT_EQ(shot.at(inner_left, y), 0x00D133u) << percent;
      EXPECT_EQ(shot.at(inner_left + fill - 1, y), 0x00D133u) << percent;
    }
    if (fill < p.bar_inner_width) {
      EXPECT_EQ(shot.at(inner_left + fill, y), kBlack) << percent;
    }
    EXPECT_EQ(shot.at(p.left + p.grid_width - 1, y), 0x008B22u)
        << percent;  // the frame's right side
    EXPECT_EQ(shot.at(p.left + p.grid_width, y), kBlack) << percent;
  }

  // 3 s after its end the sweep runs again. Step i of its 53 colours each side of
  // the middle adds red[i] and green[i] to the frame's green and half of them to
  // the fill's; the band ends at the column before the sweep's position.
  EXPECT_FALSE(p.sweep_running);
  p.now = g_test_now + 3;
  p.percent = 100;
  p.sweep_position = 500 - p.sweep_step;  // advanced to 500 by the frame
  s.Paint();
  EXPECT_TRUE(p.sweep_running);
  EXPECT_EQ(p.sweep_position, 500);
  const int red[53] = {0,  0,  0,  0,  0,  0,  1,  1,  1,  1,  1,  1,  2,  2,  2,  2,  3,  3,
                       3,  3,  4,  4,  5,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10, 11,
                       11, 13, 13, 13, 14, 14, 14, 15, 15, 15, 15, 15, 16, 16, 16, 16, 16};
  const int green[53] = {1,  1,  1,  1,  1,  1,  2,  3,  4,  4,  5,  5,  6,  6,  7,  8,  9,  10,
                         11, 12, 13, 15, 16, 17, 18, 20, 22, 24, 25, 26, 29, 30, 32, 33, 35, 36,
                         38, 40, 40, 42, 43, 45, 45, 46, 47, 48, 49, 49, 50, 50, 50, 50, 50};
  const Capture shot = h.CaptureWindow();
  for (int i = 0; i < 53; ++i)
    for (int x : {p.left + 500 - 106 + i, p.left + 500 - 1 - i}) {
      EXPECT_EQ(shot.at(x, p.bar_top), RGB(34 + red[i], 139 + green[i], 0)) << "step " << i;
      EXPECT_EQ(shot.at(x, y), RGB(51 + red[i] / 2, 209 + green[i] / 2, 0)) << "step " << i;
    }
  EXPECT_EQ(shot.at(p.left + 500, p.bar_top), 0x008B22u);  // right of the band
  EXPECT_EQ(shot.at(p.left + 500 - 107, p.bar_top), 0x008B22u);
}

TEST_F(SceneFrame, LegendIsPlainWhileInactiveAndFlashesAlongTheWave) {
  // The items from left to right: not fragmented, defragmented, free space,
  // fragmented, master file table, processing.
  const COLORREF order[6] = {0x008B22, 0xA72D00, 0x656965, 0x00008C, 0x8C0084, 0x2DA5A8};
  auto outlines = [&] {
    const Capture shot = h.CaptureWindow();
    std::vector<COLORREF> got;
    for (int i = 0; i < 6; ++i) {
      got.push_back(shot.at(p.legend_x[i] + p.cell_size / 2, p.legend_y + p.pen_width - 1));
      EXPECT_EQ(shot.at(p.legend_x[i] + p.cell_size / 2, p.legend_y + p.pen_width), kBlack) << i;
    }
    return got;
  };
  p.idle_animation = false;
  p.now = g_test_now + 100;
  s.Paint();
  EXPECT_EQ(outlines(), std::vector<COLORREF>(order, order + 6));
  EXPECT_FALSE(p.legend_wave_running);
  EXPECT_EQ(p.shine_cell, -1);
  EXPECT_EQ(p.idle_position, -1);
  EXPECT_EQ(p.sweep_position, 0);

  // Active, item k flashes in frames 2k + 1 to 2k + 5 of the wave at intensities
  // 100 down to 20, its outline a quarter of that towards white; the next wave
  // waits 2 s after this one's end.
  p.idle_animation = true;
  p.now = g_test_now;
  p.shine_last_time = g_test_now + 1000;  // no sparkle
  for (int frame = 1; frame <= 16; ++frame) {
    s.Paint();
    std::vector<COLORREF> expected;
    for (int k = 0; k < 6; ++k) {
      const int step = frame - (2 * k + 1);
      expected.push_back(step >= 0 && step < 5 ? TowardWhite(order[k], (100 - 20 * step) / 4)
                                               : order[k]);
    }
    EXPECT_EQ(outlines(), expected) << "frame " << frame;
  }
}

TEST_F(SceneFrame, BallStartsAfterTwentySecondsAndEndsAfterResting) {
  p.idle_animation = true;
  p.shine_last_time = g_test_now + 1000;  // no sparkle over the ball
  p.cycle_end_time = g_test_now;
  p.now = g_test_now + 19;
  s.Paint();
  EXPECT_EQ(p.idle_position, -1);
  p.now = g_test_now + 20;
  s.Paint();  // starts the run and takes the first step
  EXPECT_EQ(p.idle_position, 49);
  EXPECT_EQ(p.idle_trail[0], 85);
  EXPECT_EQ(p.idle_trail[49], 100);
  s.Paint();
  // Cell 49 drawn at 100: band 2 halo and an outline 33 percent towards white.
  EXPECT_EQ(OutlineAt(h.CaptureWindow(), h.CellOrigin(49), p.cell_size), TowardWhite(0x656965, 33));
  int frames = 2;
  while (p.idle_position != 672 && frames < 2000) {
    s.Paint();
    ++frames;
  }
  EXPECT_EQ(frames, 658);
  int resting = 0;
  g_test_now += 5;
  while (p.idle_position == 672 && resting < 50) {
    s.Paint();
    ++resting;
  }
  EXPECT_EQ(resting, 7);
  EXPECT_EQ(p.idle_position, -1);
  EXPECT_EQ(p.cycle_end_time, g_test_now);
}

// A shine over a cell of one state: the frame that picks it and its last frame
// draw it at level 100, the others as it falls by 20 and rises by 7. Over the
// cell, the sparkle's pixel 12 pixels further right and down is laid over the
// cell's square, its outline moved (100 - level) / 3 percent towards white while
// the level is not 100.
TEST_F(SceneFrame, ShineStartsOnTheFirstIdleFrameAndLastsTwentyOneFrames) {
  p.idle_animation = true;
  p.now = g_test_now;
  std::fill(p.cell_state, p.cell_state + p.cell_count, Defragmented);
  const COLORREF outline = kStateColours[Defragmented];
  const int size = p.cell_size;
  Surface square(p.window_dc, size, size);
  SelectObject(square.dc, p.black_brush);
  std::vector<int> levels;
  int cell = -1;
  do {
    const int level = p.shine_cell == -1 ? 100 : p.shine_level;
    s.Paint();
    if (cell == -1) cell = p.shine_cell;
    ASSERT_NE(cell, -1);
    levels.push_back(level);
    const RECT all = {0, 0, size, size};
    FillRect(square.dc, &all, p.black_brush);
    Outline(square.dc, {0, 0}, size, p.pen_width,
            level == 100 ? outline : TowardWhite(outline, (100 - level) / 3));
    const Capture under = CaptureDc(square.dc, size, size), shot = h.CaptureWindow();
    const POINT c = h.CellOrigin(cell);
    int wrong = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const COLORREF want =
            ShineOver(GetPixel(p.shine_dc, x + 12, y + 12), under.at(x, y), level);
        if (shot.at(c.x + x, c.y + y) != want && ++wrong == 1)
          ADD_FAILURE() << "level " << level << " pixel " << x << "," << y << std::hex << " is "
                        << shot.at(c.x + x, c.y + y) << ", not " << want;
      }
    EXPECT_EQ(wrong, 0) << "level " << level;
  } while (p.shine_cell == cell && levels.size() < 40);
  EXPECT_EQ(levels, (std::vector<int>{100, 80, 60, 40, 20, 0,  7,  14, 21, 28, 35,
                                      42,  49, 56, 63, 70, 77, 84, 91, 98, 100}));
  EXPECT_EQ(p.shine_cell, -1);
  EXPECT_EQ(p.shine_last_time, g_test_now);
}

// The idle effects' process-wide motion, saved and put back around each scene's frame.
extern int g_ball_direction;
extern bool g_shine_falling;

namespace {

// Two scenes of one size driven alike, one drawing every step with GDI calls
// only; each frame of the other (prepared pictures, whole tiles, text stamps and
// texts kept from the frame before) must be the same, pixel for pixel.
class FramePair {
 public:
  FramePair(int width, int height) : width_(width), height_(height) {
    ok_ = direct_.Create(width, height) && gdi_.Create(width, height);
    if (ok_) SceneProbe(*gdi_.scene).draw_through_gdi = true;
  }
  bool ok() const { return ok_; }

  // Applies the same change to both scenes.
  template <class Change>
  void Both(Change change) {
    for (SceneHarness* h : {&direct_, &gdi_}) {
      std::lock_guard<std::mutex> guard(SceneProbe(*h->scene).cell_lock);
      change(*h->scene);
    }
  }

  // One frame in each; answers the number of pixels that differ (the first few reported).
  int Frame(int seed) {
    const int ball = g_ball_direction;
    const bool falling = g_shine_falling;
    int ball_after = 0;
    bool falling_after = false;
    for (SceneHarness* h : {&direct_, &gdi_}) {
      g_ball_direction = ball;
      g_shine_falling = falling;
      srand(static_cast<unsigned>(seed));
      h->scene->Paint();
      ball_after = g_ball_direction;
      falling_after = g_shine_falling;
    }
    g_ball_direction = ball_after;
    g_shine_falling = falling_after;
    const Capture got = CaptureDc(SceneProbe(*direct_.scene).back_dc, width_, height_);
    const Capture want = CaptureDc(SceneProbe(*gdi_.scene).back_dc, width_, height_);
    int wrong = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (got.at(x, y) != want.at(x, y) && ++wrong <= 3)
          ADD_FAILURE() << width_ << " frame " << seed << ": pixel " << x << "," << y << std::hex
                        << " got " << got.at(x, y) << " expected " << want.at(x, y);
    return wrong;
  }

  SaverScene& direct() { return *direct_.scene; }

 private:
  int width_, height_;
  SceneHarness direct_, gdi_;
  bool ok_ = false;
};

// Every state (and an unknown code), every fade step, and glows between the steps.
void LightCells(SaverScene& s, int frame) {
  SceneProbe p(s);
  const int glows[] = {100, 85, 70, 55, 40, 25, 10, 0, 50, 0, 0};
  for (int i = 0; i < p.cell_count; ++i) {
    if ((i + frame) % 3 != 0) continue;  // a third of the cells lit anew in each frame
    p.cell_state[i] = i % 7 == 6 ? 42 : i % 7;
    p.cell_glow[i] = static_cast<int8_t>(glows[(i / 7 + frame) % 11]);
  }
}

}  // namespace

// Up to 64 pixels wide the bar is thinner than its two pens, so its fill line
// runs upward; 152x112 is the preview.
class FramesAtSize : public ::testing::TestWithParam<std::pair<int, int>> {};
INSTANTIATE_TEST_SUITE_P(Clients, FramesAtSize,
                         ::testing::Values(std::make_pair(1024, 768), std::make_pair(1920, 1080),
                                           std::make_pair(20, 20), std::make_pair(40, 30),
                                           std::make_pair(64, 40), std::make_pair(152, 112)),
                         [](const ::testing::TestParamInfo<std::pair<int, int>>& info) {
                           return std::to_string(info.param.first) + "x" +
                                  std::to_string(info.param.second);
                         });

TEST_P(FramesAtSize, FramesEqualTheFramesDrawnWithGdiAlone) {
  FramePair pair(GetParam().first, GetParam().second);
  ASSERT_TRUE(pair.ok());
  // A defragmentation: lit cells, the sweep on a half-full bar, a long status line,
  // a full log that rests, then slides, then rests again.
  pair.Both([](SaverScene& s) {
    SceneProbe p(s);
    p.cycle_state = Defragmenting;
    p.now = g_test_now;
    p.percent = 50;
    p.sweep_running = true;
    p.sweep_position = p.grid_width / 3;
    p.status_line =
        L"C:\\Windows\\System32\\DriverStore\\FileRepository\\nv_disp.inf\\nvlddmkm.sys";
    for (int i = 0; i < 5; ++i)
      p.log_lines[i] = L"Defragmenting C:\\ (" + std::to_wstring(i) + L"%)";
  });
  int frame = 0;
  for (; frame < 24; ++frame) {
    pair.Both([&](SaverScene& s) {
      SceneProbe p(s);
      LightCells(s, frame);
      if (frame == 6) s.AddLogMessage(L"Fragmentation level 9%");
      if (frame == 16) p.status_line = L"C:\\pagefile.sys";  // changes, then stays
      if (frame >= 20) p.log_lines[0] = L"Defragmenting C:\\ (" + std::to_wstring(frame) + L"%)";
    });
    EXPECT_EQ(0, pair.Frame(frame)) << GetParam().first << " frame " << frame;
  }
  EXPECT_GT(SceneProbe(pair.direct()).text_stamps.size(),
            5u);  // the texts that stayed were stamped

  // A schedule line long enough to run over the title, then a shorter one, then
  // none: the title, though unchanged, must not keep what the longer line left.
  const std::wstring filler(140, L'x');
  for (const std::wstring& line : {filler, filler, filler, filler, filler.substr(40),
                                   filler.substr(40), filler.substr(40), std::wstring()}) {
    pair.Both([&](SaverScene& s) {
      SceneProbe p(s);
      p.schedule_line = line;
    });
    EXPECT_EQ(0, pair.Frame(frame)) << GetParam().first << " frame " << frame;
    ++frame;
  }

  // A title moved down into the grid's top row: the tiles may not be written whole
  // over it, so the cells are drawn over the title as they come.
  pair.Both([](SaverScene& s) {
    SceneProbe p(s);
    p.title_y = p.grid_top - p.cell_size / 2;
  });
  for (const int moved_at = frame; frame < moved_at + 4; ++frame) {
    pair.Both([&](SaverScene& s) {
      SceneProbe p(s);
      LightCells(s, frame);
    });
    EXPECT_EQ(0, pair.Frame(frame)) << GetParam().first << " frame " << frame;
  }
  pair.Both([](SaverScene& s) {
    SceneProbe p(s);
    SceneLayout layout;
    ComputeSceneLayout(p.width, p.height, &layout);
    p.title_y = layout.title_y;
  });

  // Idle with the animation on: the countdown ticking, the ball and its trail over
  // cells that still glow, the sparkle, the legend's wave.
  pair.Both([](SaverScene& s) {
    SceneProbe p(s);
    p.cycle_state = Idle;
    p.idle_animation = true;
    p.cycle_end_time = g_test_now - 100;
    p.idle_position = -1;
    p.shine_last_time = 0;
  });
  for (const int idle_start = frame; frame < idle_start + 30; ++frame) {
    pair.Both([&](SaverScene& s) {
      SceneProbe p(s);
      p.now = g_test_now + frame / 8;
      p.schedule_line =
          L"Time until next defragmentation 00:2" + std::to_wstring(frame / 8 % 10) + L":00";
      if (frame < idle_start + 10) LightCells(s, frame);
    });
    EXPECT_EQ(0, pair.Frame(frame)) << GetParam().first << " frame " << frame;
  }
}
