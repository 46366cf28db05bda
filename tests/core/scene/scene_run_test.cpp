// Whole cycles in a real window, through the real bridge "TidewellLink.dll" and the
// simulated engine "Tidewell.dll", both loaded by bare name from the programs' subdirectory.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/scene/cluster_map.h"
#include "core/scene/engine_functions.h"
#include "core/scene/image_processing.h"
#include "core/scene/progress_sweep.h"
#include "core/drive_list/registry_text.h"
#include "sim_engine/sim_control.h"
#include "tests/core/scene/scene_test_support.h"
#include "tests/support/test_support.h"

namespace {

bool g_run_preview = false;

Log AnalysisLines(const std::wstring& root) {
  return {L"Analyzing " + root + L" (100%)", L"Discovered 2,000,000 clusters",
          L"A total of 1,234,567 files fragmented", L"Fragmentation level 17%"};
}

class SceneRun : public ::testing::Test {
 public:
  // One frame as the host runs it, the log's slide held so every message stays; a
  // cycle's end is recorded in the frame that ends it (the next may start a cycle).
  void Frame() {
    const CycleState before = probe.cycle_state;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    scene.UpdateSchedule();
    const int defragmented_drive = probe.cycle_state == Defragmenting ? probe.current_drive : -1;
    ++frames;
    if (before == Idle && probe.cycle_state == Idle) ++idle_frames;
    if (on_frame) on_frame();
    if (probe.destroyed) return;
    if (before != Idle && probe.cycle_state == Idle) {
      cycle_logs.push_back(History());
      if (clear_log_at_cycle_end) {
        for (std::wstring& line : probe.log_lines) line.clear();
        probe.pending_log.clear();
      }
    }
    if (hold_slide) probe.scrolling = false;
    scene.Paint();
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    frame_costs.push_back(
        {defragmented_drive, 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart});
  }

 protected:
  static SceneRun* current;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == frame_timer_id && current != nullptr) {
      current->Frame();
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  void SetUp() override {
    current = this;
    DeleteSceneSettings();
    g_run_preview = false;
    // Read by the simulated engine for every new volume.
    ClearSimEnvironment();
    SetEnvironmentVariableW(L"TW_SIM_SPEED", L"fast");
    SetEnvironmentVariableW(L"TW_SIM_CLUSTERS", L"2000000");
    SetEnvironmentVariableW(L"TW_SIM_VALUE", L"GetFragmentedFiles:1234567,GetFragmentation:17");
    GetCurrentDirectoryW(MAX_PATH, saved_directory);
    ASSERT_TRUE(SetCurrentDirectoryW(ProgramSubdirectory().c_str()));
    probe.is_preview = [] { return g_run_preview; };
    probe.measure_text = [](const wchar_t*, int length) { return length * 8; };
  }

  void TearDown() override {
    scene.Destroy();
    if (window != nullptr) DestroyWindow(window);
    if (engine != nullptr) {
      ConfigureEngine(L"TW_SIM_RESET=1");  // the next test starts from its own settings
      FreeLibrary(engine);
    }
    SetCurrentDirectoryW(saved_directory);
    DeleteSceneSettings();
    current = nullptr;
  }

  void AddDrives(std::initializer_list<const wchar_t*> roots, bool selected = true) {
    for (const wchar_t* root : roots) AddDrive(&drives, root, selected);
  }

  // The simulated engine's settings for every new volume, then the scene over these drives.
  void CreateSceneWith(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> settings,
                       std::initializer_list<const wchar_t*> roots = {L"C:\\"}) {
    for (const auto& setting : settings) SetEnvironmentVariableW(setting.first, setting.second);
    AddDrives(roots);
    CreateScene();
  }

  void CreateScene() {
    drives.disks.reserve(kMaxDrives);
    window = MakeTestWindow(1024, 768, WS_EX_TOPMOST);
    ASSERT_NE(nullptr, window);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    ASSERT_TRUE(scene.Create(window, GetModuleHandleW(nullptr)));
    ASSERT_EQ(1, probe.engine_loaded);
    ASSERT_EQ(L"", probe.log_lines[0]);
  }

  // The simulated engine as the bridge loaded it (kept loaded by the test).
  FARPROC EngineExport(const char* name) {
    if (engine == nullptr) engine = LoadLibraryW(L"Tidewell.dll");
    return engine != nullptr ? GetProcAddress(engine, name) : nullptr;
  }
  void ConfigureEngine(const wchar_t* assignment) {
    auto configure = reinterpret_cast<TwSimConfigureProc>(
        reinterpret_cast<void*>(EngineExport("TwSimConfigure")));
    ASSERT_NE(nullptr, configure);
    EXPECT_EQ(1, configure(assignment));
  }
  int64_t EngineProbe(const wchar_t* name) {
    auto query =
        reinterpret_cast<TwSimQueryProc>(reinterpret_cast<void*>(EngineExport("TwSimQuery")));
    return query != nullptr ? query(name) : -1;
  }

  Log History() const { return LoggedMessages(scene); }

  int CountCells(int32_t state) {
    std::lock_guard<std::mutex> guard(probe.cell_lock);
    return static_cast<int>(
        std::count(probe.cell_state, probe.cell_state + probe.cell_count, state));
  }

  // The bar's inside columns, along its middle row, that the sweep band leaves alone.
  std::vector<int> UnsweptBarColumns() const {
    const int band_right = probe.left + probe.sweep_position - 1;
    const int band_left =
        probe.left + probe.sweep_position - static_cast<int>(2.0 * probe.scale * 53.0);
    std::vector<int> columns;
    for (int k = 0; k < probe.bar_inner_width; ++k) {
      const int x = probe.left + probe.pen_width + k;
      if (x < band_left || x > band_right) columns.push_back(k);
    }
    return columns;
  }

  // Every cell as the last frame drew it (outline in its state's colour, brightened
  // while it glows, black inside) and the bar filled to the clamped percent.
  void ExpectFrameAsDrawn(const Capture& shot) {
    const SaverScene& s = scene;
    SceneProbe p{s};
    ASSERT_EQ(p.frame_cell_state.size(), static_cast<size_t>(p.cell_count));
    int wrong = 0;
    for (int i = 0; i < p.cell_count && wrong < 5; ++i) {
      const int glow = p.frame_cell_glow[i];
      const COLORREF color = cluster_map::StateColor(p.frame_cell_state[i]);
      const bool lit = glow != 0 && cluster_map::FadedGlow(glow) != 0;
      const COLORREF outline = lit ? imaging::BlendColor(color, 0xFFFFFF, glow / 3) : color;
      const POINT c = CellOrigin(s, i);
      const COLORREF got = shot.at(c.x + p.cell_size / 2, c.y + 1);
      if (got != outline)
        ADD_FAILURE() << ++wrong << ": cell " << i << std::hex << " outline " << got << " not "
                      << outline;
      if (shot.at(c.x + p.cell_size / 2, c.y + p.cell_size / 2) != 0)
        ADD_FAILURE() << ++wrong << ": cell " << i << " inside";
    }
    const int fill = sweep::FillWidth(p.bar_inner_width, p.percent);
    const int y = p.bar_top + p.bar_height / 2;
    for (int k : UnsweptBarColumns())
      ASSERT_EQ(shot.at(p.left + p.pen_width + k, y), k < fill ? 0x00D133u : 0u)
          << "bar column " << k << " fill " << fill;
    EXPECT_EQ(shot.at(p.left + p.grid_width, y), 0u);  // nothing right of the bar's frame
  }

  DiskList drives;
  SaverScene scene{&drives, false};
  SceneProbe probe{scene};
  HWND window = nullptr;
  HMODULE engine = nullptr;
  bool hold_slide = true;
  bool clear_log_at_cycle_end = false;
  int frames = 0;
  int idle_frames = 0;  // frames that neither ended nor started a cycle
  // Each frame's tick and paint in milliseconds, with the drive it defragmented (or -1).
  std::vector<std::pair<int, double>> frame_costs;
  std::function<void()> on_frame;
  std::vector<Log> cycle_logs;
  wchar_t saved_directory[MAX_PATH] = {};
};

SceneRun* SceneRun::current = nullptr;

}  // namespace

TEST_F(SceneRun, TwoDrivesAreAnalysedAndDefragmentedInListOrder) {
  AddDrives({L"C:\\"});
  AddDrives({L"D:\\"}, false);
  AddDrives({L"Z:\\"});
  // The stored end of the last cycle is read at creation (the countdown's text and its
  // start of the cycle are the schedule's tests).
  const int64_t stored = scene.CurrentTime() - 1795;
  ASSERT_EQ(ERROR_SUCCESS, WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag",
                                             std::to_wstring(stored).c_str()));
  CreateScene();
  EXPECT_EQ(stored, probe.last_defrag);
  int fragmented_before_defrag = -1;
  on_frame = [&] {
    if (probe.cycle_state == Defragmenting && probe.current_drive == 2 &&
        fragmented_before_defrag < 0)
      fragmented_before_defrag = CountCells(Fragmented);
  };
  ASSERT_TRUE(PumpMessagesUntil([&] { return !cycle_logs.empty(); }, 30000)) << Narrow(History());

  Log expected = AnalysisLines(L"C:\\");
  expected.push_back(L"Defragmenting C:\\ (100%)");
  for (const std::wstring& line : AnalysisLines(L"Z:\\")) expected.push_back(line);
  expected.push_back(L"Defragmenting Z:\\ (100%)");
  expected.push_back(ExpectedEndLine(probe.last_defrag));
  EXPECT_EQ(expected, cycle_logs[0]) << Narrow(cycle_logs[0]);

  EXPECT_EQ(100, probe.percent);
  EXPECT_NE(0, probe.volume_handle);  // the last volume stays open
  // The last drive's map: its analysis, then the defragmentation's moves.
  EXPECT_GT(fragmented_before_defrag, 0);
  EXPECT_LT(CountCells(Fragmented), fragmented_before_defrag);
  EXPECT_GT(CountCells(Defragmented), 0);
  EXPECT_GT(CountCells(MasterFileTable), 0);

  // The slide brings the last five messages to the screen; no cycle starts meanwhile.
  hold_slide = false;
  probe.scrolling = !probe.pending_log.empty();
  ASSERT_TRUE(PumpMessagesUntil([&] { return !probe.scrolling; }, 20000));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[expected.size() - 1 - i], probe.log_lines[i]);
  EXPECT_EQ(Idle, probe.cycle_state.load());
  EXPECT_EQ(1u, cycle_logs.size());
}

// The frame as it reaches the window, checked pixel by pixel mid-defragmentation and
// saved as <build>/x86_64/test-artifacts/visuals_mid_defrag.bmp.
TEST_F(SceneRun, MidDefragmentationFrameShowsTheEnginesMapAndProgress) {
  CreateSceneWith({{L"TW_SIM_ANALYZE_MS", L"400"},
                   {L"TW_SIM_DEFRAG_MS", L"30000"},
                   {L"TW_SIM_REPORT_MS", L"20"}});
  // A loaded machine can starve the engine's thread for longer than a glow lasts: wait
  // for a frame with glowing cells and filled bar columns clear of the sweep.
  ASSERT_TRUE(PumpMessagesUntil(
      [&] {
        const int fill = sweep::FillWidth(probe.bar_inner_width, probe.percent);
        const bool lit = std::any_of(probe.frame_cell_glow.begin(), probe.frame_cell_glow.end(),
                                     [](int8_t g) { return g != 0; });
        return probe.cycle_state.load() == Defragmenting && probe.percent >= 10 && lit &&
               UnsweptBarColumns().front() < fill;
      },
      25000))
      << "state " << probe.cycle_state.load() << " percent " << probe.percent;
  const Capture shot = CaptureWindow(scene);
  const std::wstring artifacts = TestProgramDirectory() + L"..\\test-artifacts";
  CreateDirectoryW(artifacts.c_str(), nullptr);
  EXPECT_TRUE(SaveBmp(shot, artifacts + L"\\visuals_mid_defrag.bmp"));
  ExpectFrameAsDrawn(shot);
  const std::set<int32_t> states(probe.frame_cell_state.begin(), probe.frame_cell_state.end());
  EXPECT_GE(states.size(), 3u) << "the engine's ranges should colour the map";
}

TEST_F(SceneRun, WildRangesAndPercentagesFromTheEngineStayInsideTheMapAndTheBar) {
  CreateSceneWith({{L"TW_SIM_ANALYZE_MS", L"1500"},
                   {L"TW_SIM_DEFRAG_MS", L"30000"},
                   {L"TW_SIM_REPORT_MS", L"10"},
                   {L"TW_SIM_BAD_RANGES", L"1"},
                   {L"TW_SIM_ODD_PERCENT", L"1"}});
  ASSERT_TRUE(PumpMessagesUntil([&] { return probe.percent > 100; }, 10000))
      << "no percentage above 100";
  ExpectFrameAsDrawn(CaptureWindow(scene));
  const int seen_at = frames;  // a hundred frames more of wild reports
  ASSERT_TRUE(PumpMessagesUntil([&] { return frames >= seen_at + 100; }, 20000));
  ExpectFrameAsDrawn(CaptureWindow(scene));
}

// A cycle that cannot get going: the log it leaves, and the state it rests in (a
// defragmentation that cannot start rests alike: the cycle's tests).
struct RestingCase {
  const char* name;
  const wchar_t* engine_setting;  // applied before the cycle starts; nullptr: none
  bool every_handle_taken;        // the bridge has no volume handle left to give
  Log expected;
  bool volume_open;
};
void PrintTo(const RestingCase& c, std::ostream* out) { *out << c.name; }

class SceneRunFailure : public SceneRun, public ::testing::WithParamInterface<RestingCase> {};

TEST_P(SceneRunFailure, IsLoggedAndTheCycleRests) {
  const RestingCase& c = GetParam();
  AddDrives({L"C:\\", L"Z:\\"});
  if (c.engine_setting != nullptr) ConfigureEngine(c.engine_setting);
  CreateScene();
  std::vector<int32_t> taken;
  while (c.every_handle_taken && taken.size() < 100) {
    const int32_t h = g_engine_functions.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
    if (h == 0) break;
    taken.push_back(h);
  }
  if (c.every_handle_taken) {
    ASSERT_EQ(10u, taken.size());
  }
  ASSERT_TRUE(PumpMessagesUntil([&] { return History() == c.expected; }, 10000))
      << Narrow(History());
  const int seen_at = frames;  // nothing further happens
  ASSERT_TRUE(PumpMessagesUntil([&] { return frames > seen_at + 5; }, 10000));
  EXPECT_EQ(c.expected, History()) << Narrow(History());
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
  EXPECT_EQ(c.volume_open, probe.volume_handle != 0);
  EXPECT_EQ(L"", probe.schedule_line);
  EXPECT_EQ(L"(absent)", StoredLastDefrag());
  for (int32_t h : taken) g_engine_functions.CloseVolumeHandle(h);
}

const wchar_t kNoAdmin[] = L"You must have admin rights to defragment your drives.";
INSTANTIATE_TEST_SUITE_P(
    Cases, SceneRunFailure,
    ::testing::Values(
        RestingCase{"NoVolume",
                    nullptr,
                    true,
                    {L"Unable to create volume for defragmenting: C:\\",
                     L"Unable to create volume for defragmenting: Z:\\"},
                    false},
        RestingCase{"NoAdminRights", L"TW_SIM_FAIL=OpenVolume", false, {kNoAdmin, kNoAdmin}, false},
        RestingCase{"AnalysisCannotStart",
                    L"TW_SIM_FAIL=StartAnalyze",
                    false,
                    {L"Failed to start analyzing drive C:\\"},
                    true}),
    [](const ::testing::TestParamInfo<RestingCase>& info) { return std::string(info.param.name); });

// Short preview cycles over three drives with the engine reporting in a tight loop, then
// the scene destroyed mid-stream. Preview only analyses and starts the next cycle in the
// frame after one ends.
TEST_F(SceneRun, StressManyPreviewCyclesThenDestroyWhileReporting) {
  g_run_preview = true;
  CreateSceneWith({{L"TW_SIM_ANALYZE_MS", L"15"}, {L"TW_SIM_REPORT_MS", L"0"}},
                  {L"C:\\", L"D:\\", L"Z:\\"});

  Log one_cycle;
  for (const wchar_t* root : {L"C:\\", L"D:\\", L"Z:\\"})
    for (const std::wstring& line : AnalysisLines(root)) one_cycle.push_back(line);
  one_cycle.push_back(ExpectedEndLine(0));  // nothing stored: the start of 1970

  const size_t kCycles = 25;
  clear_log_at_cycle_end = true;
  ASSERT_TRUE(PumpMessagesUntil([&] { return cycle_logs.size() >= kCycles; }, 60000))
      << cycle_logs.size() << " cycles\n"
      << Narrow(History());
  for (size_t cycle = 0; cycle < cycle_logs.size(); ++cycle)
    ASSERT_EQ(one_cycle, cycle_logs[cycle]) << "cycle " << cycle;
  EXPECT_EQ(0, idle_frames);

  // Now every run makes 1000 reports without pause; the scene is destroyed in the frame
  // that starts a cycle's second drive, once that drive's reports are coming in.
  ConfigureEngine(L"TW_SIM_ANALYZE_MS=1000");
  bool reporting_at_destroy = false;
  Log at_destroy;
  std::wstring status_at_destroy;
  on_frame = [&] {
    if (probe.current_drive != 1) return;
    const int64_t reports_before = EngineProbe(L"reports");
    const DWORD start = GetTickCount();
    while (!reporting_at_destroy && GetTickCount() - start < 5000) {
      Sleep(1);
      reporting_at_destroy = EngineProbe(L"reports") > reports_before;
    }
    EXPECT_NE(0, probe.volume_handle);
    EXPECT_TRUE(scene.Destroy());
    at_destroy = History();
    status_at_destroy = probe.status_line;
  };
  ASSERT_TRUE(PumpMessagesUntil([&] { return probe.destroyed; }, 30000));
  EXPECT_TRUE(reporting_at_destroy);

  // Whatever the engine still does, the scene no longer changes.
  Sleep(300);
  EXPECT_FALSE(probe.report_waiting);
  EXPECT_EQ(at_destroy, History());
  EXPECT_EQ(status_at_destroy, probe.status_line);
  EXPECT_EQ(nullptr, g_engine_module);
  EXPECT_EQ(0, EngineProbe(L"callbacks_held"));
  // The drive in progress shows as the newest message, after C:'s complete analysis.
  Log expected(one_cycle.begin(), one_cycle.begin() + 4);
  expected.push_back(L"Analyzing D:\\");
  EXPECT_EQ(expected, at_destroy) << Narrow(at_destroy);
}

// An engine whose GetPercentDone takes 2 s: the report waits on the engine's thread,
// and the window goes on painting about 30 frames a second.
TEST_F(SceneRun, FramesKeepComingWhileTheEngineAnswersSlowly) {
  CreateSceneWith({{L"TW_SIM_SLOW", L"GetPercentDone:2000"},
                   {L"TW_SIM_ANALYZE_MS", L"400"},
                   {L"TW_SIM_REPORT_MS", L"200"}});
  ASSERT_TRUE(PumpMessagesUntil([&] { return EngineProbe(L"slow_calls") == 1; }, 10000));
  const int blocked_at = frames;
  ASSERT_TRUE(PumpMessagesUntil([&] { return EngineProbe(L"slow_calls") == 0; }, 10000));
  EXPECT_GE(frames - blocked_at, 10);
  // The slow answer still arrives: the report it belongs to is shown.
  ASSERT_TRUE(PumpMessagesUntil(
      [&] { return !History().empty() && History()[0] != L"Analyzing C:\\"; }, 5000));
  EXPECT_EQ(0u, History()[0].find(L"Analyzing C:\\ (")) << Narrow(History());
}

// The current file is 32,000 characters long on the second drive and short on the
// first: fitting it to the status line (in the real font) costs a frame no more.
TEST_F(SceneRun, ADeepCurrentFileCostsAFrameNoMoreThanAShortOne) {
  CreateSceneWith({{L"TW_SIM_ANALYZE_MS", L"300"},
                   {L"TW_SIM_DEFRAG_MS", L"4000"},
                   {L"TW_SIM_REPORT_MS", L"10"}},
                  {L"C:\\", L"Z:\\"});
  probe.measure_text = nullptr;
  bool deep_configured = false;
  std::wstring deep_file, deep_line;
  on_frame = [&] {
    if (probe.cycle_state != Defragmenting || probe.status_line.empty()) return;
    // The next volume, and every run from now on, reports deep files.
    if (!deep_configured) ConfigureEngine(L"TW_SIM_DEEP_PATH=32000");
    deep_configured = true;
    if (probe.current_drive == 1) {
      deep_file = probe.fitted_file;
      deep_line = probe.status_line;
    }
  };
  ASSERT_TRUE(PumpMessagesUntil([&] { return !cycle_logs.empty(); }, 60000)) << Narrow(History());
  std::vector<double> costs[2];  // frames of each drive's defragmentation
  for (const auto& frame : frame_costs)
    if (frame.first >= 0) costs[frame.first].push_back(frame.second);
  ASSERT_EQ(32000u, deep_file.size());
  EXPECT_LT(deep_line.size(), 1000u);
  EXPECT_EQ(deep_line.substr(deep_line.size() - 10), deep_file.substr(deep_file.size() - 10));
  SIZE size;
  EXPECT_LE(scene.GetTextWidth(deep_line.c_str(), static_cast<int>(deep_line.size()), &size),
            probe.grid_width);
  ASSERT_GE(costs[0].size(), 30u);
  ASSERT_GE(costs[1].size(), 30u);
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  EXPECT_LE(median(costs[1]), 2 * median(costs[0]) + 1.0)
      << "short " << median(costs[0]) << " ms, deep " << median(costs[1]) << " ms";
}
