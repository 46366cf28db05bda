// Whole cycles in a real window, through the real bridge "TidewellLink.dll" and
// the simulated engine "Tidewell.dll", both loaded by bare name from the
// programs' subdirectory as the programs do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "core/drive_list.h"
#include "core/engine_functions.h"
#include "core/registry_text.h"
#include "core/saver_scene.h"
#include "sim_engine/sim_control.h"
#include "tests/scene/scene_test_support.h"

namespace {

using Log = std::vector<std::wstring>;

bool g_run_preview = false;
bool RunPreview()
{
    return g_run_preview;
}

std::wstring ProgramSubdirectory()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    directory.resize(directory.find_last_of(L'\\') + 1);
    return directory + L"Orbenlake Tidewell ScreenSaver";
}

HWND MakeSceneWindow()
{
    static const ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SceneRunTest";
        return RegisterClassW(&wc);
    }();
    (void)atom;
    return CreateWindowExW(0, L"SceneRunTest", L"scene", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The messages of one drive's analysis, as the log shows them once complete.
Log AnalysisLines(const std::wstring& root)
{
    return {L"Analyzing " + root + L" (100%)", L"Discovered 2,000,000 clusters",
            L"A total of 1,234,567 files fragmented", L"Fragmentation level 17%"};
}

std::string Narrow(const Log& log)
{
    std::string text;
    for (const std::wstring& line : log) text += std::string(line.begin(), line.end()) + "\n";
    return text;
}

class SceneRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSceneSettings();
        g_run_preview = false;
        // Read by the simulated engine when the bridge loads it.
        SetEnvironmentVariableW(L"TW_SIM_SPEED", L"fast");
        SetEnvironmentVariableW(L"TW_SIM_CLUSTERS", L"2000000");
        SetEnvironmentVariableW(L"TW_SIM_VALUE", L"GetFragmentedFiles:1234567,GetFragmentation:17");
        GetCurrentDirectoryW(MAX_PATH, saved_directory);
        ASSERT_TRUE(SetCurrentDirectoryW(ProgramSubdirectory().c_str()));
        scene.is_preview = RunPreview;
        scene.measure_text = [](const wchar_t*, int length) { return length * 8; };
    }

    void TearDown() override
    {
        scene.Destroy();
        if (window != nullptr) DestroyWindow(window);
        if (engine != nullptr) FreeLibrary(engine);
        SetCurrentDirectoryW(saved_directory);
        DeleteSceneSettings();
    }

    void AddDrive(const wchar_t* root, bool selected)
    {
        DiskInfo disk;
        disk.letter = root[0];
        wcscpy(disk.root_path, root);
        disk.selected = selected ? 1 : 0;
        drives.disks.push_back(disk);
    }

    void CreateScene()
    {
        drives.disks.reserve(kMaxDrives);
        window = MakeSceneWindow();
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(scene.Create(window, GetModuleHandleW(nullptr)));
        ASSERT_EQ(1, scene.engine_loaded);
        ASSERT_EQ(L"", scene.log_lines[0]);
    }

    // Applies a setting to the simulated engine at once; the engine stays loaded
    // (and so configured) until the test ends.
    void ConfigureEngine(const wchar_t* assignment)
    {
        if (engine == nullptr) engine = LoadLibraryW(L"Tidewell.dll");
        ASSERT_NE(nullptr, engine);
        auto configure =
            reinterpret_cast<TwSimConfigureProc>(
                reinterpret_cast<void*>(GetProcAddress(engine, "TwSimConfigure")));
        ASSERT_NE(nullptr, configure);
        EXPECT_EQ(1, configure(assignment));
    }

    // A probe of the simulated engine (loaded and kept by the test).
    int64_t EngineProbe(const wchar_t* name)
    {
        if (engine == nullptr) engine = LoadLibraryW(L"Tidewell.dll");
        if (engine == nullptr) return -1;
        auto query = reinterpret_cast<TwSimQueryProc>(
            reinterpret_cast<void*>(GetProcAddress(engine, "TwSimQuery")));
        return query != nullptr ? query(name) : -1;
    }

    // One frame as the host runs it; the log's slide is held so that every message
    // stays in the log (the slide has tests of its own).
    void Frame(bool paint)
    {
        scene.UpdateSchedule();
        if (paint) {
            scene.scrolling = hold_slide ? false : scene.scrolling;
            scene.Paint();
        }
    }

    // Runs frames on the window's timer until `done` holds; false on time-out.
    template <typename Done>
    bool RunFrames(Done done, DWORD timeout_ms, bool paint = true)
    {
        const DWORD start = GetTickCount();
        MSG msg;
        while (!done()) {
            if (GetTickCount() - start > timeout_ms) return false;
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                continue;
            }
            if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == frame_timer_id)
                Frame(paint);
            else
                DispatchMessageW(&msg);
        }
        return true;
    }

    bool CycleEnded()
    {
        const CycleState state = scene.cycle_state;
        if (state != Idle) seen_running = true;
        return seen_running && state == Idle;
    }

    // Every message since the start, while the slide is held: the top line, then the queue.
    Log History() const
    {
        Log log;
        if (!scene.log_lines[0].empty()) log.push_back(scene.log_lines[0]);
        log.insert(log.end(), scene.pending_log.begin(), scene.pending_log.end());
        return log;
    }

    void ClearLog()
    {
        for (std::wstring& line : scene.log_lines) line.clear();
        scene.pending_log.clear();
        scene.scrolling = false;
        scene.scroll_offset = 0;
    }

    int CountCells(int32_t state)
    {
        std::lock_guard<std::mutex> guard(scene.cell_lock);
        return static_cast<int>(std::count(scene.cell_state, scene.cell_state + scene.cell_count,
                                           state));
    }

    DiskList drives;
    SaverScene scene{&drives, false};
    HWND window = nullptr;
    HMODULE engine = nullptr;
    bool hold_slide = true;
    bool seen_running = false;
    wchar_t saved_directory[MAX_PATH] = {};
};

}  // namespace

TEST_F(SceneRun, TwoDrivesAreAnalysedAndDefragmentedInListOrder)
{
    AddDrive(L"C:\\", true);
    AddDrive(L"D:\\", false);
    AddDrive(L"Z:\\", true);
    CreateScene();

    const int64_t started = scene.CurrentTime();
    bool saw_current_file = false;
    int fragmented_before_defrag = -1;
    ASSERT_TRUE(RunFrames(
        [&] {
            if (scene.cycle_state == Defragmenting && !scene.status_line.empty())
                saw_current_file = scene.status_line.find(L":\\") == 1;
            if (scene.cycle_state == Defragmenting && scene.current_drive == 2 &&
                fragmented_before_defrag < 0)
                fragmented_before_defrag = CountCells(Fragmented);
            return CycleEnded();
        },
        20000))
        << Narrow(History());
    const int64_t ended = scene.CurrentTime();

    // "LastDefrag" holds the end of the cycle.
    wchar_t stored[32] = {};
    ASSERT_EQ(ERROR_SUCCESS,
              ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag", stored, 32));
    EXPECT_EQ(std::to_wstring(scene.last_defrag), stored);
    EXPECT_GE(scene.last_defrag, started);
    EXPECT_LE(scene.last_defrag, ended);

    Log expected = AnalysisLines(L"C:\\");
    expected.push_back(L"Defragmenting C:\\ (100%)");
    for (const std::wstring& line : AnalysisLines(L"Z:\\")) expected.push_back(line);
    expected.push_back(L"Defragmenting Z:\\ (100%)");
    expected.push_back(ExpectedEndLine(scene.last_defrag));
    EXPECT_EQ(expected, History()) << Narrow(History());

    EXPECT_TRUE(saw_current_file);
    EXPECT_EQ(g_vendor_line, scene.status_line);
    EXPECT_EQ(100, scene.percent);
    EXPECT_NE(0, scene.volume_handle);  // the last volume stays open

    // The last drive's map as the engine left it: its analysis, then the moves of
    // the defragmentation (fragmented cells turned free or defragmented).
    EXPECT_GT(fragmented_before_defrag, 0);
    EXPECT_LT(CountCells(Fragmented), fragmented_before_defrag);
    EXPECT_GT(CountCells(Defragmented), 0);
    EXPECT_GT(CountCells(MasterFileTable), 0);

    // The countdown runs; the slide brings the last five messages to the screen.
    hold_slide = false;
    scene.scrolling = !scene.pending_log.empty();
    ASSERT_TRUE(RunFrames([&] { return !scene.scrolling; }, 20000));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[expected.size() - 1 - i], scene.log_lines[i]);
    EXPECT_EQ(0u, scene.schedule_line.find(L"Time until next defragmentation 00:"));
    EXPECT_EQ(Idle, scene.cycle_state.load());
}

TEST_F(SceneRun, RecentLastDefragShowsTheCountdownAndStartsNothing)
{
    AddDrive(L"C:\\", true);
    const int64_t recent = static_cast<int64_t>(time(nullptr)) - 10;
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag",
                                               std::to_wstring(recent).c_str()));
    CreateScene();
    EXPECT_EQ(recent, scene.last_defrag);
    int frames = 0;
    ASSERT_TRUE(RunFrames([&] { return ++frames > 10; }, 5000));
    EXPECT_EQ(Idle, scene.cycle_state.load());
    EXPECT_EQ(0u, scene.schedule_line.find(L"Time until next defragmentation 00:29:"));
    EXPECT_EQ(0, scene.volume_handle);
}

TEST_F(SceneRun, PreviewOnlyAnalysesAndKeepsLastDefrag)
{
    g_run_preview = true;
    AddDrive(L"C:\\", true);
    AddDrive(L"Z:\\", true);
    CreateScene();
    ASSERT_TRUE(RunFrames([&] { return CycleEnded(); }, 20000)) << Narrow(History());

    Log expected = AnalysisLines(L"C:\\");
    for (const std::wstring& line : AnalysisLines(L"Z:\\")) expected.push_back(line);
    expected.push_back(ExpectedEndLine(0));  // nothing stored: the start of 1970
    EXPECT_EQ(expected, History()) << Narrow(History());
    wchar_t stored[32];
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag", stored, 32));
    EXPECT_EQ(0, scene.last_defrag);

    // The next frame starts the next cycle at once.
    seen_running = false;
    ASSERT_TRUE(RunFrames([&] { return scene.cycle_state != Idle; }, 5000));
}

TEST_F(SceneRun, NoDriveSelected)
{
    AddDrive(L"C:\\", false);
    CreateScene();
    int frames = 0;
    ASSERT_TRUE(RunFrames([&] { return ++frames > 5; }, 5000));
    EXPECT_EQ(Log({L"Select at least one disk to be defragmented by the screensaver."}),
              History());
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    EXPECT_EQ(L"", scene.schedule_line);
}

TEST_F(SceneRun, VolumeThatCannotBeCreatedIsPassedOver)
{
    AddDrive(L"C:\\", true);
    AddDrive(L"Z:\\", true);
    CreateScene();
    // Every handle of the bridge is taken: no volume can be made.
    std::vector<int32_t> taken;
    for (int32_t h; (h = g_engine_functions.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1)) != 0;)
        taken.push_back(h);
    ASSERT_EQ(10u, taken.size());
    int frames = 0;
    ASSERT_TRUE(RunFrames([&] { return ++frames > 5; }, 5000));
    EXPECT_EQ(Log({L"Unable to create volume for defragmenting: C:\\",
                   L"Unable to create volume for defragmenting: Z:\\"}),
              History());
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    for (int32_t h : taken) g_engine_functions.CloseVolumeHandle(h);
}

TEST_F(SceneRun, FailuresOfTheEngineAreLogged)
{
    AddDrive(L"C:\\", true);
    AddDrive(L"Z:\\", true);
    CreateScene();
    ConfigureEngine(L"TW_SIM_FAIL=OpenVolume");
    int frames = 0;
    ASSERT_TRUE(RunFrames([&] { return ++frames > 5; }, 5000));
    EXPECT_EQ(Log({L"You must have admin rights to defragment your drives.",
                   L"You must have admin rights to defragment your drives."}),
              History());
    EXPECT_EQ(0, scene.volume_handle);
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
}

TEST_F(SceneRun, AnalysisThatCannotStart)
{
    AddDrive(L"C:\\", true);
    CreateScene();
    ConfigureEngine(L"TW_SIM_FAIL=StartAnalyze");
    int frames = 0;
    ASSERT_TRUE(RunFrames([&] { return ++frames > 5; }, 5000));
    EXPECT_EQ(Log({L"Failed to start analyzing drive C:\\"}), History());
    EXPECT_NE(0, scene.volume_handle);
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
}

TEST_F(SceneRun, DefragmentationThatCannotStart)
{
    AddDrive(L"C:\\", true);
    CreateScene();
    ConfigureEngine(L"TW_SIM_FAIL=StartDefrag");
    ASSERT_TRUE(RunFrames([&] { return scene.pending_log.size() >= 4; }, 10000));
    Log expected = AnalysisLines(L"C:\\");
    expected.push_back(L"Failed to start defragmenting drive C:\\");
    EXPECT_EQ(expected, History());
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
}

TEST_F(SceneRun, MissingCurrentFileReadsAsEmpty)
{
    AddDrive(L"C:\\", true);
    CreateScene();
    ConfigureEngine(L"TW_SIM_TEXT=null");
    bool defragmenting_seen = false;
    ASSERT_TRUE(RunFrames(
        [&] {
            if (scene.cycle_state == Defragmenting) {
                defragmenting_seen = true;
                EXPECT_EQ(L"", scene.status_line);
            }
            return CycleEnded();
        },
        20000));
    EXPECT_TRUE(defragmenting_seen);
}

TEST_F(SceneRun, PercentagesOutsideTheRangeAreShownUnchanged)
{
    SetEnvironmentVariableW(L"TW_SIM_ANALYZE_MS", L"3000");
    SetEnvironmentVariableW(L"TW_SIM_VALUE", L"GetPercentDone:250");
    AddDrive(L"C:\\", true);
    CreateScene();
    ASSERT_TRUE(RunFrames([&] { return scene.log_lines[0] == L"Analyzing C:\\ (250%)"; }, 5000))
        << Narrow(History());
    EXPECT_EQ(250, scene.percent);
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
}

// The engine reports in a tight loop while short preview cycles run one after the
// other over three drives, the frame paints the map as it changes, and the scene
// is destroyed in the middle of a report stream.
TEST_F(SceneRun, StressManyPreviewCyclesThenDestroyWhileReporting)
{
    g_run_preview = true;
    SetEnvironmentVariableW(L"TW_SIM_ANALYZE_MS", L"15");
    SetEnvironmentVariableW(L"TW_SIM_REPORT_MS", L"0");
    AddDrive(L"C:\\", true);
    AddDrive(L"D:\\", true);
    AddDrive(L"Z:\\", true);
    CreateScene();

    Log one_cycle;
    for (const wchar_t* root : {L"C:\\", L"D:\\", L"Z:\\"})
        for (const std::wstring& line : AnalysisLines(root)) one_cycle.push_back(line);
    one_cycle.push_back(ExpectedEndLine(0));

    const int kCycles = 25;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        seen_running = false;
        ASSERT_TRUE(RunFrames([&] { return CycleEnded(); }, 20000))
            << "cycle " << cycle << "\n" << Narrow(History());
        ASSERT_EQ(one_cycle, History()) << "cycle " << cycle;
        ClearLog();
    }

    // Into the next cycle's second drive, while the engine reports without pause.
    ASSERT_TRUE(RunFrames([&] { return scene.current_drive == 1; }, 20000));
    EXPECT_NE(0, scene.volume_handle);
    const int64_t reports_before = EngineProbe(L"reports");
    Sleep(5);
    EXPECT_GT(EngineProbe(L"reports"), reports_before);
    ASSERT_TRUE(scene.Destroy());
    const Log at_destroy = History();
    const std::wstring status_at_destroy = scene.status_line;

    // Whatever the engine still does, the scene no longer changes.
    Sleep(300);
    EXPECT_FALSE(scene.progress_pending.load() && scene.callbacks_enabled.load());
    EXPECT_EQ(at_destroy, History());
    EXPECT_EQ(status_at_destroy, scene.status_line);
    EXPECT_EQ(nullptr, g_engine_module);
    EXPECT_EQ(0, EngineProbe(L"callbacks_held"));

    // The drive in progress shows as the newest message, after C:'s complete analysis.
    Log expected(one_cycle.begin(), one_cycle.begin() + 4);
    expected.push_back(L"Analyzing D:\\");
    EXPECT_EQ(expected, at_destroy) << Narrow(at_destroy);
}
