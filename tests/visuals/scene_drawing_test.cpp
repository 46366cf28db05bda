// The frame as it reaches the window: cells, halos, bar, legend, idle ball
// and sparkle, checked at known pixels (never text).
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/cluster_map.h"
#include "core/idle_motion.h"
#include "core/image_processing.h"
#include "core/progress_sweep.h"
#include "core/shine_blend.h"
#include "tests/visuals/scene_fixture.h"

namespace {

constexpr COLORREF kBlack = 0;
constexpr COLORREF kFillColor = 0x00D133;
constexpr COLORREF kBarFrameColor = 0x008B22;

void SetCell(SaverScene& scene, int i, int32_t state, int glow) {
    std::lock_guard<std::mutex> guard(scene.cell_lock);
    scene.cell_state[i] = state;
    scene.cell_glow[i] = static_cast<int8_t>(glow);
}

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

COLORREF InteriorAt(const Capture& shot, POINT cell, int cell_size) {
    return shot.at(cell.x + cell_size / 2, cell.y + cell_size / 2);
}

}  // namespace

TEST(SceneGlow, SixColoursOfThreeBandsAndTheShineAtScreenScale) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    ASSERT_EQ(s.glow_bitmaps.size(), 6u);
    for (COLORREF color : cluster_colors_arr) {
        const auto entry = s.glow_bitmaps.find(color);
        ASSERT_NE(entry, s.glow_bitmaps.end());
        const HBITMAP* bands = entry->second.band_bitmaps;
        EXPECT_TRUE(bands[0] && bands[1] && bands[2] && bands[0] != bands[1] && bands[1] != bands[2]);
        BITMAP info = {};
        GetObjectW(bands[2], sizeof info, &info);
        EXPECT_EQ(info.bmWidth, 20);
        EXPECT_EQ(info.bmHeight, 20);
    }
    // Band 2 of the grey halo: lit around the outline, darker in the middle, grey.
    SelectObject(s.glow_dc, s.glow_bitmaps[0x656965].band_bitmaps[2]);
    const Capture halo = CaptureDc(s.glow_dc, 20, 20);
    const COLORREF ring = halo.at(10, 3), middle = halo.at(10, 10);
    EXPECT_GT(GetGValue(ring), GetGValue(middle));
    EXPECT_EQ(GetRValue(ring), GetBValue(ring));
    EXPECT_NE(ring, kBlack);

    EXPECT_EQ(s.shine_width, 28);
    EXPECT_EQ(s.shine_height, 28);
    ASSERT_EQ(s.shine_pixels.size(), 28u * 28u);
    int brightest = 0;
    for (size_t i = 0; i < s.shine_pixels.size(); ++i) {
        const COLORREF p = s.shine_pixels[i];
        EXPECT_TRUE(GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p)) << i;
        if (GetRValue(p) == 255) ++brightest;
    }
    EXPECT_EQ(brightest, 1);
    EXPECT_EQ(s.shine_pixels[13 * 28 + 14], 0xFFFFFFu);
    EXPECT_EQ(s.shine_pixels[0], kBlack);
    EXPECT_EQ(GetPixel(s.shine_dc, 14, 13), 0xFFFFFFu);
}

TEST(SceneGlow, ShineIsResampledToOtherScales) {
    struct Case { int width, height, side; } cases[] = {{1280, 1024, 35}, {512, 384, 14}, {2048, 1536, 56}};
    for (const Case& c : cases) {
        SceneHarness h;
        ASSERT_TRUE(h.Create(c.width, c.height));
        EXPECT_EQ(h.scene->shine_width, c.side);
        EXPECT_EQ(h.scene->shine_height, c.side);
        ASSERT_EQ(h.scene->shine_pixels.size(), static_cast<size_t>(c.side * c.side));
        EXPECT_NE(h.scene->shine_pixels[(c.side / 2) * c.side + c.side / 2], kBlack) << c.side;
        EXPECT_EQ(h.scene->shine_pixels[0], kBlack) << c.side;
    }
}

TEST(SceneGlow, PreparedLitCellsEqualTheHaloWithTheOutlineDrawnOverIt) {
    for (const SIZE client : {SIZE{1024, 768}, SIZE{1920, 1080}, SIZE{152, 112}}) {
        SceneHarness h;
        ASSERT_TRUE(h.Create(client.cx, client.cy));
        SaverScene& s = *h.scene;
        const int w = s.glow_width, o = static_cast<int>(2.0 * s.scale);
        HDC halo_dc = CreateCompatibleDC(s.window_dc), work_dc = CreateCompatibleDC(s.window_dc);
        HBITMAP work = CreateCompatibleBitmap(s.window_dc, w, w);
        HGDIOBJ old_work = SelectObject(work_dc, work);
        HGDIOBJ old_halo = SelectObject(halo_dc, s.glow_bitmaps.begin()->second.band_bitmaps[0]);
        for (int state = 0; state < kClusterStateCount; ++state) {
            const COLORREF color = cluster_colors_arr[state];
            for (int glow = 100; glow > 0; glow -= 15) {
                SelectObject(halo_dc, s.glow_bitmaps[color].band_bitmaps[cluster_map::GlowBand(glow)]);
                BitBlt(work_dc, 0, 0, w, w, halo_dc, 0, 0, SRCCOPY);
                HPEN pen = CreatePen(PS_INSIDEFRAME, s.pen_width, imaging::BlendTowards(color, 0xFFFFFF, glow / 3));
                HGDIOBJ old_pen = SelectObject(work_dc, pen);
                HGDIOBJ old_brush = SelectObject(work_dc, s.black_brush);
                Rectangle(work_dc, o, o, o + s.cell_size, o + s.cell_size);
                SelectObject(work_dc, old_brush);
                SelectObject(work_dc, old_pen);
                DeleteObject(pen);
                const Capture expected = CaptureDc(work_dc, w, w);
                HBITMAP picture = s.LitCellPicture(color, glow);
                ASSERT_NE(picture, nullptr);
                SelectObject(halo_dc, picture);
                EXPECT_EQ(CaptureDc(halo_dc, w, w).pixels, expected.pixels)
                    << client.cx << " state " << state << " glow " << glow;
            }
        }
        EXPECT_EQ(s.LitCellPicture(0x656965, 50), nullptr);  // not a fade step: drawn the long way
        SelectObject(halo_dc, old_halo);
        SelectObject(work_dc, old_work);
        DeleteObject(work);
        DeleteDC(halo_dc);
        DeleteDC(work_dc);
    }
}

TEST(ShineBlend, DibSectionGivesThePixelsOfGetPixelAndSetPixel) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(320, 240));
    SaverScene& s = *h.scene;
    HDC dcs[2];
    HBITMAP bitmaps[2];
    for (int k = 0; k < 2; ++k) {
        dcs[k] = CreateCompatibleDC(s.window_dc);
        bitmaps[k] = CreateCompatibleBitmap(s.window_dc, 100, 80);
        SelectObject(dcs[k], bitmaps[k]);
    }
    const int places[][3] = {{10, 10, 0}, {-12, -9, 40}, {85, 60, 0}, {90, -20, 75}, {40, 30, 100}, {500, 0, 0}};
    for (const auto& place : places) {
        srand(7);
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x) {
                const COLORREF c = RGB(rand() & 255, rand() & 255, rand() & 255);
                SetPixel(dcs[0], x, y, c);
                SetPixel(dcs[1], x, y, c);
            }
        const int sx = place[0], sy = place[1], level = place[2];
        // The plain way: one GetPixel and SetPixel per pixel of the sparkle.
        for (int i = 0; i < s.shine_height; ++i)
            for (int j = 0; j < s.shine_width; ++j) {
                COLORREF dest = GetPixel(dcs[0], sx + j, sy + i);
                SaverScene::BlendShinePixel(GetPixel(s.shine_dc, j, i), &dest, level);
                SetPixel(dcs[0], sx + j, sy + i, dest);
            }
        BlendShineOver(dcs[1], 100, 80, s.shine_pixels, s.shine_width, s.shine_height, sx, sy, level);
        const Capture plain = CaptureDc(dcs[0], 100, 80), fast = CaptureDc(dcs[1], 100, 80);
        EXPECT_EQ(plain.pixels, fast.pixels) << sx << "," << sy << " level " << level;
    }
    for (int k = 0; k < 2; ++k) {
        DeleteDC(dcs[k]);
        DeleteObject(bitmaps[k]);
    }
}

TEST(ScenePaint, CellsShowTheirStateGlowAndBlackInside) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    QuietCycle(s);
    SetCell(s, 50, Fragmented, 100);     // glowing: outline 33 percent towards white
    SetCell(s, 100, Defragmented, 10);   // last glowing frame: plain outline drawn over
    SetCell(s, 150, MasterFileTable, 0);
    SetCell(s, 200, 42, 0);              // unknown state: grey
    SetCell(s, 250, Processing, 55);
    SetCell(s, 300, NotFragmented, 50);  // not a fade step: halo and outline drawn separately
    s.Paint();
    const Capture shot = h.CaptureWindow();
    const int size = s.cell_size;
    EXPECT_EQ(OutlineAt(shot, h.CellOrigin(50), size), imaging::BlendTowards(0x00008C, 0xFFFFFF, 33));
    EXPECT_EQ(OutlineAt(shot, h.CellOrigin(100), size), 0xA72D00u);
    EXPECT_EQ(OutlineAt(shot, h.CellOrigin(150), size), 0x8C0084u);
    EXPECT_EQ(OutlineAt(shot, h.CellOrigin(200), size), 0x656965u);
    EXPECT_EQ(OutlineAt(shot, h.CellOrigin(250), size), imaging::BlendTowards(0x2DA5A8, 0xFFFFFF, 18));
    EXPECT_EQ(OutlineAt(shot, h.CellOrigin(300), size), imaging::BlendTowards(0x008B22, 0xFFFFFF, 16));
    EXPECT_NE(shot.at(h.CellOrigin(300).x + size / 2, h.CellOrigin(300).y - 1), kBlack);
    EXPECT_EQ(OutlineAt(shot, h.CellOrigin(0), size), 0x656965u);
    for (int i : {0, 50, 100, 150, 200, 250, 300, 719}) EXPECT_EQ(InteriorAt(shot, h.CellOrigin(i), size), kBlack) << i;
    // The outline is pen_width thick and lies inside the square.
    const POINT c = h.CellOrigin(150);
    EXPECT_EQ(shot.at(c.x + size / 2, c.y + s.pen_width - 1), 0x8C0084u);
    EXPECT_EQ(shot.at(c.x + size / 2, c.y + s.pen_width), kBlack);
    EXPECT_EQ(shot.at(c.x + size / 2, c.y - 1), kBlack);  // no halo round a plain cell
    // A glowing cell's halo shows in the gap round it.
    const POINT g = h.CellOrigin(50);
    EXPECT_NE(shot.at(g.x + size / 2, g.y - 1), kBlack);
}

TEST(ScenePaint, GlowLastsSevenFramesThenThePlainOutlineReturns) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    QuietCycle(s);
    s.total_clusters = 7200;
    s.MarkClusterRange(10, 19, Fragmented);
    std::vector<int> glow_after;
    for (int frame = 0; frame < 8; ++frame) {
        s.Paint();
        glow_after.push_back(s.cell_glow[1]);
    }
    EXPECT_EQ(glow_after, (std::vector<int>{85, 70, 55, 40, 25, 10, 0, 0}));
    EXPECT_EQ(OutlineAt(h.CaptureWindow(), h.CellOrigin(1), s.cell_size), 0x00008Cu);
}

TEST(ScenePaint, BarFillFollowsPercentAndStaysInsideTheBar) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    QuietCycle(s);
    const int y = s.bar_top + s.bar_height / 2;
    const int inner_left = s.left + s.pen_width;
    for (int percent : {0, 40, 100, 250, -30}) {
        s.percent = percent;
        s.Paint();
        const Capture shot = h.CaptureWindow();
        const int fill = percent <= 0 ? 0 : percent >= 100 ? s.bar_inner_width : s.bar_inner_width * percent / 100;
        if (fill > 0) {
            EXPECT_EQ(shot.at(inner_left, y), kFillColor) << percent;
            EXPECT_EQ(shot.at(inner_left + fill - 1, y), kFillColor) << percent;
        }
        if (fill < s.bar_inner_width) EXPECT_EQ(shot.at(inner_left + fill, y), kBlack) << percent;
        // The right side of the frame is never painted over by the fill.
        EXPECT_EQ(shot.at(s.left + s.grid_width - 1, y), kBarFrameColor) << percent;
        EXPECT_EQ(shot.at(s.left + s.grid_width, y), kBlack) << percent;
    }
}

TEST(ScenePaint, SweepBrightensTheFrameAndTheFilledInside) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    s.cycle_state = Analyzing;
    s.percent = 100;
    s.sweep_running = true;
    s.sweep_position = 500 - s.sweep_step;  // advanced to 500 by the frame
    s.Paint();
    EXPECT_EQ(s.sweep_position, 500);
    const Capture shot = h.CaptureWindow();
    const int middle = s.left + 500 - 53;  // the band's brightest columns
    EXPECT_EQ(shot.at(middle, s.bar_top), RGB(34 + 16, 139 + 50, 0));
    EXPECT_EQ(shot.at(middle, s.bar_top + s.bar_height / 2), RGB(51 + 8, 209 + 25, 0));
    EXPECT_EQ(shot.at(s.left + 500, s.bar_top), kBarFrameColor);  // right of the band
}

TEST(ScenePaint, LegendSquaresInTheirColoursWhileInactive) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    s.idle_animation = false;
    s.Paint();
    const Capture shot = h.CaptureWindow();
    const COLORREF order[6] = {0x008B22, 0xA72D00, 0x656965, 0x00008C, 0x8C0084, 0x2DA5A8};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(shot.at(s.legend_x[i] + s.cell_size / 2, s.legend_y + 1), order[i]) << i;
        EXPECT_EQ(shot.at(s.legend_x[i] + s.cell_size / 2, s.legend_y + s.cell_size / 2), kBlack) << i;
    }
    EXPECT_FALSE(s.legend_wave_running);
    EXPECT_EQ(s.shine_cell, -1);  // no shine with the animation off
}

TEST(SceneIdle, BallStartsAfterTwentySecondsAndLeavesAFadingTrail) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    s.idle_animation = true;
    s.shine_last_time = g_test_now + 1000;  // no sparkle over the ball
    s.cycle_end_time = g_test_now;
    s.now = g_test_now + 19;
    s.Paint();
    EXPECT_EQ(s.idle_position, -1);
    s.now = g_test_now + 20;
    s.Paint();
    EXPECT_EQ(s.idle_position, 49);
    EXPECT_EQ(s.idle_trail[0], 85);
    EXPECT_EQ(s.idle_trail[49], 100);
    s.Paint();
    const Capture shot = h.CaptureWindow();
    // Cell 49 drawn at 100: band 2 halo and an outline 33 percent towards white.
    const POINT ball = h.CellOrigin(49);
    EXPECT_EQ(OutlineAt(shot, ball, s.cell_size), imaging::BlendTowards(0x656965, 0xFFFFFF, 33));
    EXPECT_EQ(s.idle_position, 98);
}

TEST(SceneIdle, RunEndsInTheCornerAfterTheGlowThereFaded) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    s.idle_animation = true;
    s.cycle_end_time = 0;
    s.now = g_test_now;
    int frames = 0;
    while (s.idle_position != 672 && frames < 2000) {
        s.Paint();
        ++frames;
    }
    EXPECT_EQ(frames, 658);  // the first frame starts the run and takes the first step
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

TEST(SceneIdle, ShineStartsOnTheFirstIdleFrameAndLastsTwentyOneFrames) {
    SceneHarness h;
    ASSERT_TRUE(h.Create(1024, 768));
    SaverScene& s = *h.scene;
    s.idle_animation = true;
    s.now = g_test_now;
    s.Paint();
    ASSERT_NE(s.shine_cell, -1);
    const int cell = s.shine_cell;
    int frames = 1;
    bool saw_sparkle = false;
    while (s.shine_cell == cell && frames < 40) {
        const bool full = s.shine_level == 0;
        s.Paint();
        ++frames;
        if (full) {
            // Full sparkle: its brightest pixel lands 12 pixels up-left of the cell's corner + (14, 13).
            const POINT c = h.CellOrigin(cell);
            const Capture shot = h.CaptureWindow();
            const int x = c.x - 12 + 14, y = c.y - 12 + 13;
            if (x >= 0 && y >= 0) EXPECT_EQ(shot.at(x, y), 0xFFFFFFu);
            saw_sparkle = true;
        }
    }
    EXPECT_TRUE(saw_sparkle);
    EXPECT_EQ(frames, 21);
    EXPECT_EQ(s.shine_cell, -1);
    EXPECT_EQ(s.shine_last_time, g_test_now);
}
