// A running scene driven through the real bridge library and the simulated
// engine, the way a host drives it (frame tick, then paint), checked pixel
// by pixel mid-defragmentation. The frame is also saved as a test artifact:
// <build>/x86_64/test-artifacts/visuals_mid_defrag.bmp.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/cluster_map.h"
#include "core/image_processing.h"
#include "core/progress_sweep.h"
#include "core/registry_text.h"
#include "tests/visuals/scene_fixture.h"

namespace {

constexpr COLORREF kBlack = 0;
constexpr COLORREF kFillColor = 0x00D133;

std::wstring ExecutableDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    return directory.substr(0, directory.find_last_of(L'\\'));
}

// Sets settings values for the test and puts the previous ones back after it.
class SettingsOverride {
  public:
    void Set(const wchar_t* name, const wchar_t* value) {
        Saved saved{name, {}, false};
        saved.existed = ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, name, saved.text, 256) == ERROR_SUCCESS;
        saved_.push_back(saved);
        WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, name, value);
    }
    ~SettingsOverride() {
        for (const Saved& saved : saved_) {
            if (saved.existed) {
                WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, saved.name.c_str(), saved.text);
            } else {
                HKEY key;
                if (RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                    RegDeleteValueW(key, saved.name.c_str());
                    RegCloseKey(key);
                }
            }
        }
    }

  private:
    struct Saved {
        std::wstring name;
        wchar_t text[256];
        bool existed;
    };
    std::vector<Saved> saved_;
};

// The scene in a window of its own, with its frame timer, bridge and engine.
class RunningScene : public ::testing::Test {
  protected:
    void SetUp() override {
        settings_.Set(L"LastDefrag", L"0");
        settings_.Set(L"SelectedDrives", L"C");
        settings_.Set(L"IdleAnimation", L"1");
        // The bridge and the engine are found in the programs' subdirectory.
        SetDllDirectoryW((ExecutableDirectory() + L"\\" + kProgramSubdirectory).c_str());
        drives_.disks.reserve(kMaxDrives);
        drives_.LoadDriveList();
    }
    void TearDown() override {
        if (scene_) scene_->Destroy();
        if (window_ != nullptr) DestroyWindow(window_);
        SetDllDirectoryW(nullptr);
    }

    bool Start() {
        scene_.reset(new SaverScene(&drives_, false));
        window_ = MakeSceneWindow(1024, 768);
        return window_ != nullptr && scene_->Create(window_, GetModuleHandleW(nullptr));
    }

    // The host's loop: each frame tick runs the schedule and paints, until
    // `done` holds after a paint or the time is up.
    template <class Done>
    bool RunFrames(DWORD timeout_ms, Done done) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < timeout_ms) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_TIMER && msg.hwnd == window_ && msg.wParam == frame_timer_id) {
                    scene_->UpdateSchedule();
                    scene_->Paint();
                    if (done()) return true;
                } else {
                    DispatchMessageW(&msg);
                }
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return false;
    }

    POINT CellOrigin(int i) const {
        return {scene_->left + (i % grid_columns) * scene_->cell_pitch,
                scene_->grid_top + (i / grid_columns) * scene_->cell_pitch};
    }

    Capture CaptureWindow() const {
        HDC dc = GetDC(window_);
        Capture capture = CaptureDc(dc, scene_->width, scene_->height);
        ReleaseDC(window_, dc);
        return capture;
    }

    // Every cell as the last frame drew it: outline in its state's colour
    // (brightened while it glows), black inside.
    void ExpectCellsAsDrawn(const Capture& shot) {
        const SaverScene& s = *scene_;
        ASSERT_EQ(s.frame_cell_state.size(), static_cast<size_t>(s.cell_count));
        int wrong_outlines = 0, wrong_insides = 0;
        for (int i = 0; i < s.cell_count; ++i) {
            const int glow = s.frame_cell_glow[i];
            const COLORREF color = cluster_map::StateColor(s.frame_cell_state[i]);
            const bool lit = glow != 0 && cluster_map::FadedGlow(glow) != 0;
            const COLORREF outline = lit ? imaging::BlendTowards(color, 0xFFFFFF, glow / 3) : color;
            const POINT c = CellOrigin(i);
            if (shot.at(c.x + s.cell_size / 2, c.y + 1) != outline && ++wrong_outlines <= 5)
                ADD_FAILURE() << "cell " << i << " outline " << std::hex << shot.at(c.x + s.cell_size / 2, c.y + 1)
                              << " expected " << outline;
            if (shot.at(c.x + s.cell_size / 2, c.y + s.cell_size / 2) != kBlack && ++wrong_insides <= 5)
                ADD_FAILURE() << "cell " << i << " not black inside";
        }
    }

    // The bar's inside along its middle row: filled up to the percent, clamped,
    // black after; columns under the sweep band are left out.
    void ExpectBarFill(const Capture& shot) {
        const SaverScene& s = *scene_;
        const int fill = sweep::FillWidth(s.bar_inner_width, s.percent);
        const int band_right = s.left + s.sweep_position - 1;
        const int band_left = s.left + s.sweep_position - static_cast<int>(2.0 * s.scale * 53.0);
        const int y = s.bar_top + s.bar_height / 2;
        int checked_fill = 0;
        for (int k = 0; k < s.bar_inner_width; ++k) {
            const int x = s.left + s.pen_width + k;
            if (x >= band_left && x <= band_right) continue;
            const COLORREF expected = k < fill ? kFillColor : kBlack;
            ASSERT_EQ(shot.at(x, y), expected) << "bar column " << k << " fill " << fill;
            checked_fill += k < fill;
        }
        EXPECT_GT(checked_fill + (fill == 0), 0);
    }

    SettingsOverride settings_;
    DiskList drives_;
    std::unique_ptr<SaverScene> scene_;
    HWND window_ = nullptr;
};

}  // namespace

TEST_F(RunningScene, MidDefragmentationFrameShowsTheEnginesMapAndProgress) {
    SetEnvironmentVariableW(L"TW_SIM_ANALYZE_MS", L"400");
    SetEnvironmentVariableW(L"TW_SIM_DEFRAG_MS", L"30000");
    SetEnvironmentVariableW(L"TW_SIM_REPORT_MS", L"20");
    ASSERT_TRUE(Start());
    ASSERT_EQ(scene_->engine_loaded, 1) << "bridge library not found";

    // Wait for a frame that shows glowing cells too: a loaded machine can starve the
    // engine's thread for longer than a glow lasts.
    auto lit_cells = [&] {
        int lit = 0;
        for (int8_t glow : scene_->frame_cell_glow) lit += glow != 0;
        return lit;
    };
    const bool mid_defragmentation = RunFrames(25000, [&] {
        return scene_->cycle_state.load() == Defragmenting && scene_->percent >= 10 &&
               lit_cells() > 0;
    });
    ASSERT_TRUE(mid_defragmentation) << "state " << scene_->cycle_state.load() << " percent " << scene_->percent;
    const Capture shot = CaptureWindow();

    CreateDirectoryW(L"..\\test-artifacts", nullptr);
    EXPECT_TRUE(SaveBmp(shot, L"..\\test-artifacts\\visuals_mid_defrag.bmp"));

    ExpectCellsAsDrawn(shot);
    ExpectBarFill(shot);
    std::set<int32_t> states(scene_->frame_cell_state.begin(), scene_->frame_cell_state.end());
    EXPECT_GE(states.size(), 3u) << "the engine's ranges should colour the map";
    EXPECT_GT(lit_cells(), 0) << "cells the engine works on glow";
}

TEST_F(RunningScene, WildRangesAndPercentagesFromTheEngineStayInsideTheMapAndTheBar) {
    SetEnvironmentVariableW(L"TW_SIM_ANALYZE_MS", L"1500");
    SetEnvironmentVariableW(L"TW_SIM_DEFRAG_MS", L"30000");
    SetEnvironmentVariableW(L"TW_SIM_REPORT_MS", L"10");
    SetEnvironmentVariableW(L"TW_SIM_BAD_RANGES", L"1");
    SetEnvironmentVariableW(L"TW_SIM_ODD_PERCENT", L"1");
    ASSERT_TRUE(Start());
    ASSERT_EQ(scene_->engine_loaded, 1) << "bridge library not found";

    int frames = 0, overfull = 0;
    RunFrames(4000, [&] {
        ++frames;
        if (scene_->percent > 100 && overfull++ == 0) {
            const Capture shot = CaptureWindow();
            ExpectBarFill(shot);
            // Nothing right of the bar's frame.
            const int y = scene_->bar_top + scene_->bar_height / 2;
            EXPECT_EQ(shot.at(scene_->left + scene_->grid_width, y), kBlack);
        }
        return false;
    });
    EXPECT_GT(frames, 30);
    EXPECT_GT(overfull, 0) << "the engine reported no percentage above 100";
    ExpectCellsAsDrawn(CaptureWindow());
}
