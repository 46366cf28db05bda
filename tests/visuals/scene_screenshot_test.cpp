// A running scene driven through the real bridge library and the simulated
// engine, the way a host drives it (frame tick, then paint), checked pixel
// by pixel mid-defragmentation. The frame is also saved as a test artifact:
// <build>/x86_64/test-artifacts/visuals_mid_defrag.bmp.
#include <gtest/gtest.h>

#include <set>

#include "core/cluster_map.h"
#include "core/image_processing.h"
#include "core/progress_sweep.h"
#include "core/registry_text.h"
#include "tests/support/test_support.h"  // ProgramSubdirectory
#include "tests/visuals/scene_fixture.h"

namespace {

constexpr const wchar_t* kSettings[] = {L"LastDefrag", L"SelectedDrives", L"IdleAnimation"};

// The scene in a window of its own, with its frame timer, bridge and engine.
class RunningScene : public ::testing::Test {
  protected:
    void SetUp() override {
        const wchar_t* values[] = {L"0", L"C", L"1"};
        for (int i = 0; i < 3; ++i) WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, kSettings[i], values[i]);
        SetDllDirectoryW(ProgramSubdirectory().c_str());
        h_.drives.disks.reserve(kMaxDrives);
        h_.drives.LoadDriveList();
    }
    void TearDown() override {
        SetDllDirectoryW(nullptr);
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        for (const wchar_t* name : kSettings) RegDeleteValueW(key, name);
        RegCloseKey(key);
    }

    bool Start() { return h_.Create(1024, 768, false) && h_.scene->engine_loaded == 1; }

    // Each frame tick runs the schedule and paints, until `done` holds after
    // a paint or the time is up.
    template <class Done>
    bool RunFrames(DWORD timeout_ms, Done done) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < timeout_ms) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message != WM_TIMER || msg.hwnd != h_.window) {
                    DispatchMessageW(&msg);
                    continue;
                }
                h_.scene->UpdateSchedule();
                h_.scene->Paint();
                if (done()) return true;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return false;
    }

    // The bar's inside columns, along its middle row, that the sweep band leaves alone.
    std::vector<int> UnsweptBarColumns() const {
        const SaverScene& s = *h_.scene;
        const int band_right = s.left + s.sweep_position - 1;
        const int band_left = s.left + s.sweep_position - static_cast<int>(2.0 * s.scale * 53.0);
        std::vector<int> columns;
        for (int k = 0; k < s.bar_inner_width; ++k) {
            const int x = s.left + s.pen_width + k;
            if (x < band_left || x > band_right) columns.push_back(k);
        }
        return columns;
    }

    // Every cell as the last frame drew it: outline in its state's colour
    // (brightened while it glows), black inside; the bar filled up to the
    // clamped percent and black after.
    void ExpectFrameAsDrawn(const Capture& shot) {
        const SaverScene& s = *h_.scene;
        ASSERT_EQ(s.frame_cell_state.size(), static_cast<size_t>(s.cell_count));
        int wrong = 0;
        for (int i = 0; i < s.cell_count && wrong < 5; ++i) {
            const int glow = s.frame_cell_glow[i];
            const COLORREF color = cluster_map::StateColor(s.frame_cell_state[i]);
            const bool lit = glow != 0 && cluster_map::FadedGlow(glow) != 0;
            const COLORREF outline = lit ? imaging::BlendTowards(color, 0xFFFFFF, glow / 3) : color;
            const POINT c = h_.CellOrigin(i);
            const COLORREF got = shot.at(c.x + s.cell_size / 2, c.y + 1);
            if (got != outline) ADD_FAILURE() << ++wrong << ": cell " << i << std::hex << " outline " << got << " not " << outline;
            if (shot.at(c.x + s.cell_size / 2, c.y + s.cell_size / 2) != 0) ADD_FAILURE() << ++wrong << ": cell " << i << " inside";
        }
        const int fill = sweep::FillWidth(s.bar_inner_width, s.percent);
        const int y = s.bar_top + s.bar_height / 2;
        for (int k : UnsweptBarColumns())
            ASSERT_EQ(shot.at(s.left + s.pen_width + k, y), k < fill ? 0x00D133u : 0u) << "bar column " << k << " fill " << fill;
        EXPECT_EQ(shot.at(s.left + s.grid_width, y), 0u);  // nothing right of the bar's frame
    }

    SceneHarness h_;
};

}  // namespace

TEST_F(RunningScene, MidDefragmentationFrameShowsTheEnginesMapAndProgress) {
    SetEnvironmentVariableW(L"TW_SIM_ANALYZE_MS", L"400");
    SetEnvironmentVariableW(L"TW_SIM_DEFRAG_MS", L"30000");
    SetEnvironmentVariableW(L"TW_SIM_REPORT_MS", L"20");
    ASSERT_TRUE(Start()) << "scene or bridge library";
    // Wait for a frame with glowing cells and filled bar columns clear of the sweep:
    // a loaded machine can starve the engine's thread for longer than a glow lasts.
    auto lit_cells = [&] {
        int lit = 0;
        for (int8_t glow : h_.scene->frame_cell_glow) lit += glow != 0;
        return lit;
    };
    const bool mid_defragmentation = RunFrames(25000, [&] {
        const SaverScene& s = *h_.scene;
        const int fill = sweep::FillWidth(s.bar_inner_width, s.percent);
        return s.cycle_state.load() == Defragmenting && s.percent >= 10 && lit_cells() > 0 &&
               UnsweptBarColumns().front() < fill;
    });
    ASSERT_TRUE(mid_defragmentation) << "state " << h_.scene->cycle_state.load() << " percent " << h_.scene->percent;
    const Capture shot = h_.CaptureWindow();

    CreateDirectoryW(L"..\\test-artifacts", nullptr);
    EXPECT_TRUE(SaveBmp(shot, L"..\\test-artifacts\\visuals_mid_defrag.bmp"));
    ExpectFrameAsDrawn(shot);
    const std::set<int32_t> states(h_.scene->frame_cell_state.begin(), h_.scene->frame_cell_state.end());
    EXPECT_GE(states.size(), 3u) << "the engine's ranges should colour the map";
}

TEST_F(RunningScene, WildRangesAndPercentagesFromTheEngineStayInsideTheMapAndTheBar) {
    SetEnvironmentVariableW(L"TW_SIM_ANALYZE_MS", L"1500");
    SetEnvironmentVariableW(L"TW_SIM_DEFRAG_MS", L"30000");
    SetEnvironmentVariableW(L"TW_SIM_REPORT_MS", L"10");
    SetEnvironmentVariableW(L"TW_SIM_BAD_RANGES", L"1");
    SetEnvironmentVariableW(L"TW_SIM_ODD_PERCENT", L"1");
    ASSERT_TRUE(Start()) << "scene or bridge library";
    ASSERT_TRUE(RunFrames(10000, [&] { return h_.scene->percent > 100; })) << "no percentage above 100";
    ExpectFrameAsDrawn(h_.CaptureWindow());
    int frames = 0;  // a hundred frames more of wild reports
    RunFrames(10000, [&] { return ++frames == 100; });
    EXPECT_EQ(frames, 100);
    ExpectFrameAsDrawn(h_.CaptureWindow());
}
