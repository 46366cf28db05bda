// The schedule, the two settings and the cycle's steps against a scripted engine table:
// which drive opens, what the log shows, what the scene asks of the engine, and how
// reports reach the tick.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cwchar>
#include <ostream>
#include <functional>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/drive_list/drive_list.h"
#include "core/scene/engine_functions.h"
#include "core/drive_list/registry_text.h"
#include "TidewellLink/fault_guard.h"
#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/test_support.h"

namespace {

// The scripted engine: one volume per handle, answers set by the test.
struct ScriptedEngine {
  std::set<std::wstring> no_volume;  // GetVolumeHandle answers 0
  std::set<std::wstring> no_open;    // OpenVolume answers 0
  Log handle_drive = Log(1);
  Log calls;
  int32_t priority = 0;
  int priority_reads = 0;
  int32_t in_analyze = 0, in_defrag = 0;  // a run already under way on the volume
  int32_t analyze_complete = 0;
  int32_t defrag_complete = 0;
  int64_t percent = 0;
  int32_t start_defrag = 1;
  int percent_queries = 0;
  const wchar_t* current_file = L"C:\\dir\\file.txt";
  // Runs inside the bridge calls, named, as an engine thread reporting just then would.
  std::function<void(const std::wstring& call)> hook;
  void Call(const wchar_t* name) {
    if (hook) hook(name);
  }
} g_engine;
int64_t g_now = 1700000000;
bool g_preview = false;
const wchar_t kSelectOne[] = L"Select at least one disk to be defragmented by the screensaver.";

int32_t __stdcall GetVolumeHandle(const wchar_t* drive, ProgressCallback, ClusterRangeCallback,
                                  int32_t) {
  g_engine.calls.push_back(L"GetVolumeHandle " + std::wstring(drive));
  if (g_engine.no_volume.count(drive)) return 0;
  g_engine.handle_drive.push_back(drive);
  return static_cast<int32_t>(g_engine.handle_drive.size() - 1);
}
void __stdcall CloseVolumeHandle(int32_t h) {
  g_engine.calls.push_back(L"CloseVolumeHandle " + std::to_wstring(h));
  g_engine.Call(L"CloseVolumeHandle");
}
int32_t __stdcall OpenVolume(int32_t h) {
  return g_engine.no_open.count(g_engine.handle_drive[h]) ? 0 : 1;
}
int64_t __stdcall GetTotalClusters(int32_t) { return 1000; }
int32_t __stdcall GetInAnalyze(int32_t) { return g_engine.in_analyze; }
int32_t __stdcall GetInDefrag(int32_t) { return g_engine.in_defrag; }
int32_t __stdcall GetDefragPriority(int32_t) {
  ++g_engine.priority_reads;
  return g_engine.priority;
}
int32_t __stdcall SetDefragPriority(int32_t, int32_t priority) {
  g_engine.calls.push_back(L"SetDefragPriority " + std::to_wstring(priority));
  g_engine.priority = priority;
  return 1;
}
int32_t __stdcall StartAnalyze(int32_t h, const wchar_t* text, int32_t flag) {
  g_engine.calls.push_back(L"StartAnalyze " + std::to_wstring(h) + (text ? L" text " : L" null ") +
                           std::to_wstring(flag));
  g_engine.Call(L"StartAnalyze");
  return 1;
}
int32_t __stdcall StartDefrag(int32_t h, int32_t mode, int32_t flag) {
  g_engine.calls.push_back(L"StartDefrag " + std::to_wstring(h) + L" " + std::to_wstring(mode) +
                           L" " + std::to_wstring(flag));
  g_engine.Call(L"StartDefrag");
  return g_engine.start_defrag;
}
int32_t __stdcall GetAnalyzeComplete(int32_t) {
  g_engine.Call(L"GetAnalyzeComplete");
  return g_engine.analyze_complete;
}
int32_t __stdcall GetDefragComplete(int32_t) { return g_engine.defrag_complete; }
int64_t __stdcall GetPercentDone(int32_t) {
  ++g_engine.percent_queries;
  g_engine.Call(L"GetPercentDone");
  return g_engine.percent;
}
int64_t __stdcall GetFragmentedFiles(int32_t) { return 4321; }
int32_t __stdcall GetFragmentation(int32_t) { return 9; }
const wchar_t* __stdcall GetCurrentFile(int32_t) { return g_engine.current_file; }

// The scene of a test window: the window's destruction destroys it, as in the hosts.
SaverScene* g_window_scene = nullptr;
LRESULT CALLBACK DestroysItsScene(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY && g_window_scene != nullptr) g_window_scene->Destroy();
  return DefWindowProcW(window, message, wparam, lparam);
}

void InstallScriptedEngine() {
  EngineFunctionTable& t = g_engine_functions;
#define TW_SCRIPTED(name) t.name = name
  TW_SCRIPTED(GetVolumeHandle);
  TW_SCRIPTED(CloseVolumeHandle);
  TW_SCRIPTED(OpenVolume);
  TW_SCRIPTED(GetTotalClusters);
  TW_SCRIPTED(GetDefragPriority);
  TW_SCRIPTED(SetDefragPriority);
  TW_SCRIPTED(StartAnalyze);
  TW_SCRIPTED(StartDefrag);
  TW_SCRIPTED(GetAnalyzeComplete);
  TW_SCRIPTED(GetDefragComplete);
  TW_SCRIPTED(GetPercentDone);
  TW_SCRIPTED(GetFragmentedFiles);
  TW_SCRIPTED(GetFragmentation);
  TW_SCRIPTED(GetCurrentFile);
  TW_SCRIPTED(GetInAnalyze);
  TW_SCRIPTED(GetInDefrag);
#undef TW_SCRIPTED
}

class SceneCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    g_engine = ScriptedEngine();
    g_now = 1700000000;
    g_preview = false;
    probe.is_preview = [] { return g_preview; };
    InstallScriptedEngine();
    probe.engine_loaded = 1;
    probe.clock = [] { return g_now; };
    probe.callbacks_enabled = true;
    probe.cell_count = 4;
    probe.cell_state = cells;
    probe.cell_glow = glow;
    probe.idle_trail = trail;
    probe.grid_width = 1000;
    probe.measure_text = [](const wchar_t*, int length) { return length; };
  }

  void TearDown() override {
    g_engine.hook = nullptr;
    DeleteSceneSettings();
    g_engine_functions = EngineFunctionTable{};
    probe.cell_state = nullptr;
    probe.cell_glow = nullptr;
    probe.idle_trail = nullptr;
  }

  void AddDrive(const wchar_t* root, bool selected = true) { ::AddDrive(&drives, root, selected); }

  // The engine reports progress (asked at once, as on the engine's thread); the next
  // frame tick applies it.
  void Report(int64_t percent) {
    g_engine.percent = percent;
    OnEngineProgress();
    scene.UpdateSchedule();
  }

  Log History() const { return LoggedMessages(scene); }

  // `target` created in a window of its own, against the scripted engine.
  HWND CreateInWindow(SaverScene& target) {
    HWND window = MakeTestWindow(320, 240);
    g_window_scene = &target;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DestroysItsScene));
    EXPECT_TRUE(target.Create(window, GetModuleHandleW(nullptr)));
    InstallScriptedEngine();  // instead of whatever the creation bound
    SceneProbe target_probe{target};
    target_probe.engine_loaded = 1;
    return window;
  }

  DiskList drives;
  SaverScene scene{&drives, false};
  SceneProbe probe{scene};
  int32_t cells[4] = {3, 3, 3, 3};
  int8_t glow[4] = {0, 0, 0, 0};
  int8_t trail[4] = {7, 7, 7, 7};
};
using SceneSchedule = SceneCycle;

}  // namespace

TEST_F(SceneCycle, FirstDriveThatCannotOpenIsPassedOverAtTheStart) {
  AddDrive(L"C:\\");
  AddDrive(L"D:\\", false);
  AddDrive(L"Z:\\");
  g_engine.no_open.insert(L"C:\\");
  g_engine.priority = 5;
  scene.UpdateSchedule();

  EXPECT_EQ(Log({L"GetVolumeHandle C:\\", L"CloseVolumeHandle 1", L"GetVolumeHandle Z:\\",
                 L"SetDefragPriority 1", L"StartAnalyze 2 null 1"}),
            g_engine.calls);
  EXPECT_EQ(2, probe.current_drive);
  EXPECT_EQ(2, probe.volume_handle);
  EXPECT_EQ(1000, probe.total_clusters.load());
  EXPECT_EQ(0, trail[0]);
  EXPECT_EQ(3, cells[0]);  // the first cycle keeps the map it has
  EXPECT_EQ(Log({L"You must have admin rights to defragment your drives.", L"Analyzing Z:\\"}),
            History());
}

// A start first asks whether such a run is already under way on the volume: if so
// it makes no priority call, no start call and no message. Otherwise it sets the
// priority only where the engine's differs, then starts the run.
struct StartCase {
  const char* name;
  int32_t priority, in_analyze, in_defrag;
  int priority_reads;
  bool analysis_started, defragmentation_started;
  Log calls;  // after the cycle's start and the analysis's completion report
};
void PrintTo(const StartCase& c, std::ostream* out) { *out << c.name; }
class SceneCycleStart : public SceneCycle, public ::testing::WithParamInterface<StartCase> {};

TEST_P(SceneCycleStart, LeavesARunUnderWayAloneAndSetsOnlyADifferentPriority) {
  const StartCase& c = GetParam();
  AddDrive(L"C:\\");
  g_engine.in_analyze = c.in_analyze;
  g_engine.in_defrag = c.in_defrag;
  g_engine.priority = c.priority;
  scene.UpdateSchedule();
  EXPECT_EQ(c.analysis_started ? Log{L"Analyzing C:\\"} : Log{}, History());

  g_engine.priority = c.priority;  // as the defragmentation's start finds it
  g_engine.analyze_complete = 1;
  Report(99);  // complete: the step's own entry ends in 100%, whatever the engine said
  Log log = {L"Discovered 1,000 clusters", L"A total of 4,321 files fragmented",
             L"Fragmentation level 9%"};
  // A run found under way added no entry of its own, so there is none to rewrite.
  if (c.analysis_started) log.insert(log.begin(), L"Analyzing C:\\ (100%)");
  if (c.defragmentation_started) log.push_back(L"Defragmenting C:\\");
  EXPECT_EQ(log, History()) << Narrow(History());
  EXPECT_EQ(c.calls, g_engine.calls);
  EXPECT_EQ(c.priority_reads, g_engine.priority_reads);
  EXPECT_EQ(c.defragmentation_started ? Defragmenting : Analyzing, probe.cycle_state.load());
  if (c.defragmentation_started) return;

  // While the run goes on, every report finds the analysis complete and asks for the
  // start again; the results stay logged once. Once the run has ended, the start follows.
  for (int i = 0; i < 4; ++i) Report(99);
  EXPECT_EQ(log, History()) << Narrow(History());
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
  g_engine.in_defrag = 0;
  Report(99);
  log.push_back(L"Defragmenting C:\\");
  EXPECT_EQ(log, History()) << Narrow(History());
  EXPECT_EQ(Defragmenting, probe.cycle_state.load());
}

const wchar_t kOpen[] = L"GetVolumeHandle C:\\", kSet[] = L"SetDefragPriority 1",
              kAnalyze[] = L"StartAnalyze 1 null 1", kDefrag[] = L"StartDefrag 1 0 0";
INSTANTIATE_TEST_SUITE_P(
    Cases, SceneCycleStart,
    ::testing::Values(
        StartCase{"PriorityAlreadySet", 1, 0, 0, 2, true, true, {kOpen, kAnalyze, kDefrag}},
        StartCase{
            "PriorityDiffers", 3, 0, 0, 2, true, true, {kOpen, kSet, kAnalyze, kSet, kDefrag}},
        StartCase{"AnalysisUnderWay", 3, 1, 0, 1, false, true, {kOpen, kSet, kDefrag}},
        StartCase{"DefragmentationUnderWay", 3, 0, 1, 1, true, false, {kOpen, kSet, kAnalyze}}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(SceneCycle, ReportsRunTheCycleOnTheTick) {
  AddDrive(L"C:\\");
  AddDrive(L"Z:\\");
  scene.UpdateSchedule();
  ASSERT_EQ(L"Analyzing C:\\", probe.log_lines[0]);

  // A report is asked at once and waits; nothing changes until the tick.
  g_engine.percent = 40;
  OnEngineProgress();
  EXPECT_EQ(1, g_engine.percent_queries);
  EXPECT_EQ(L"Analyzing C:\\", probe.log_lines[0]);
  g_engine.percent = 45;  // the engine moved on: the report keeps what it was told
  scene.UpdateSchedule();
  EXPECT_EQ(L"Analyzing C:\\ (40%)", probe.log_lines[0]);
  EXPECT_EQ(40, probe.percent);

  g_engine.analyze_complete = 1;
  Report(99);  // the analysis's results and the defragmentation's start: see SceneCycleStart
  EXPECT_EQ(Defragmenting, probe.cycle_state.load());
  EXPECT_EQ(0, probe.percent);

  static int measured;  // measurements made to fit the status line
  measured = 0;
  probe.measure_text = [](const wchar_t*, int length) { return measured += 1, length; };
  Report(7);
  EXPECT_EQ(L"C:\\dir\\file.txt", probe.status_line);
  EXPECT_EQ(L"Defragmenting C:\\ (7%)", probe.pending_log.back());
  // The same file again is not fitted again; another one is.
  const int fitted_once = measured;
  EXPECT_GT(fitted_once, 0);
  Report(8);
  EXPECT_EQ(fitted_once, measured);
  g_engine.current_file = L"C:\\dir\\other.txt";
  Report(9);
  EXPECT_GT(measured, fitted_once);
  EXPECT_EQ(L"C:\\dir\\other.txt", probe.status_line);

  // The drive is done: the next one opens on a fresh map.
  g_engine.analyze_complete = 0;
  g_engine.defrag_complete = 1;
  Report(100);
  EXPECT_EQ(1, probe.current_drive);
  EXPECT_EQ(L"CloseVolumeHandle 1", g_engine.calls[g_engine.calls.size() - 3]);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(0, cells[i]);
    EXPECT_EQ(100, glow[i]);
  }
  EXPECT_EQ(L"Analyzing Z:\\", probe.pending_log.back());
  EXPECT_EQ(Analyzing, probe.cycle_state.load());

  // Z: runs to its end; the cycle's end is followed up from the next tick on.
  cells[0] = Fragmented;
  g_engine.analyze_complete = 1;
  Report(100);
  Report(100);
  EXPECT_EQ(Idle, probe.cycle_state.load());
  EXPECT_EQ(L"", probe.schedule_line);
  scene.UpdateSchedule();
  EXPECT_EQ(L"Time until next defragmentation 00:30:00", probe.schedule_line);

  // The next cycle begins with the map the last one left.
  g_now += 1800;
  scene.UpdateSchedule();
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
  EXPECT_EQ(0, probe.current_drive);
  EXPECT_EQ(Fragmented, cells[0]);
}

// Closing a volume serves sent messages while a report is in progress, the window's
// destruction among them, and a modal loop's frame tick before it.
TEST_F(SceneCycle, DestroyedInsideTheTicksOwnCloseTouchesNothingAfterwards) {
  AddDrive(L"C:\\");
  AddDrive(L"Z:\\");
  g_preview = true;  // the analysis's end moves on to the next drive
  HWND window = CreateInWindow(scene);
  scene.UpdateSchedule();
  ASSERT_EQ(1, probe.volume_handle);
  const HGDIOBJ font = probe.font;
  bool bound_inside_the_close = false;
  g_engine.hook = [&](const std::wstring& call) {
    if (call != L"CloseVolumeHandle") return;
    scene.UpdateSchedule();
    DestroyWindow(window);
    bound_inside_the_close = g_engine_functions.GetVolumeHandle != nullptr;
  };
  g_engine.analyze_complete = 1;
  Report(100);
  EXPECT_EQ(L"CloseVolumeHandle 1", g_engine.calls.back()) << "nothing opened after the close";
  EXPECT_TRUE(probe.destroyed);
  EXPECT_TRUE(bound_inside_the_close) << "the inner tick's end unbound the bridge";
  EXPECT_EQ(nullptr, g_engine_functions.GetVolumeHandle) << "the tick's end unbinds the bridge";
  EXPECT_EQ(0u, GetObjectType(font)) << "the font outlived the window";
  EXPECT_EQ(nullptr, probe.cell_state);
  EXPECT_FALSE(scene.Paint());
  scene.UpdateSchedule();
  EXPECT_EQ(L"CloseVolumeHandle 1", g_engine.calls.back());
}

// The last drive's completion waits for the next tick; a scene that goes before it still
// records the cycle's end, unless more drives were to follow: destroyed with its window,
// or left to its destructor by the worker's exit after turning the monitors off.
TEST_F(SceneCycle, ACompletionThatArrivedIsRecordedWhenTheSceneGoesBeforeTheTick) {
  AddDrive(L"C:\\");
  AddDrive(L"D:\\", false);
  struct Row {
    bool more_drives, window_destroyed;
    const wchar_t* stored;
  };
  for (const Row row : {Row{false, true, L"1700000000"}, Row{true, true, L"(absent)"},
                        Row{false, false, L"1700000000"}, Row{true, false, L"(absent)"}}) {
    SCOPED_TRACE(testing::Message() << row.more_drives << row.window_destroyed);
    DeleteSceneSettings();
    DiskList these = drives;
    if (row.more_drives) ::AddDrive(&these, L"Z:\\", true);
    g_engine.analyze_complete = 0;
    g_engine.defrag_complete = 0;
    auto local = std::make_unique<SaverScene>(&these, false);
    SceneProbe local_probe{*local};
    local_probe.clock = [] { return g_now; };
    local_probe.measure_text = [](const wchar_t*, int length) { return length; };
    HWND window = CreateInWindow(*local);
    local->UpdateSchedule();
    g_engine.analyze_complete = 1;
    OnEngineProgress();
    local->UpdateSchedule();
    ASSERT_EQ(Defragmenting, local_probe.cycle_state.load());
    g_engine.defrag_complete = 1;
    OnEngineProgress();  // the completion, and no tick after it
    if (row.window_destroyed) DestroyWindow(window);
    local.reset();
    g_window_scene = nullptr;
    DestroyWindow(window);
    EXPECT_EQ(row.stored, StoredLastDefrag());
  }
}

TEST_F(SceneCycle, ProgressRewritesOnlyTheEntryItsStepAdded) {
  AddDrive(L"C:\\");
  scene.AddLogMessage(L"shown");
  for (int i = 0; i <= 100; ++i) scene.AddLogMessage(L"waiting " + std::to_wstring(i));
  ASSERT_EQ(101u, probe.pending_log.size());
  scene.UpdateSchedule();  // the full queue drops "Analyzing C:\"
  ASSERT_EQ(Analyzing, probe.cycle_state.load());
  Report(40);
  EXPECT_EQ(L"waiting 100", probe.pending_log.back());
  EXPECT_EQ(40, probe.percent);
  scene.ScrollLog();  // one line comes in: room for one message
  ASSERT_EQ(100u, probe.pending_log.size());
  Report(41);
  EXPECT_EQ(L"waiting 100", probe.pending_log.back());

  // Of the results only the first fits; "Defragmenting C:\" is dropped and so not rewritten.
  g_engine.analyze_complete = 1;
  Report(100);
  ASSERT_EQ(Defragmenting, probe.cycle_state.load());
  EXPECT_EQ(L"Discovered 1,000 clusters", probe.pending_log.back());
  Report(7);
  EXPECT_EQ(L"Discovered 1,000 clusters", probe.pending_log.back());
  EXPECT_EQ(L"C:\\dir\\file.txt", probe.status_line);

  // With the queue empty again the next drive's entry is rewritten as usual.
  AddDrive(L"Z:\\");
  while (!probe.pending_log.empty()) scene.ScrollLog();
  g_engine.analyze_complete = 0;
  g_engine.defrag_complete = 1;
  Report(100);
  ASSERT_EQ(1, probe.current_drive);
  Report(30);
  EXPECT_EQ(L"Analyzing Z:\\ (30%)", probe.pending_log.back());
}

TEST_F(SceneCycle, ADefragmentationThatCannotStartRestsAndProgressLeavesItsMessageAlone) {
  AddDrive(L"C:\\");
  AddDrive(L"Z:\\");
  scene.UpdateSchedule();
  g_engine.analyze_complete = 1;
  g_engine.start_defrag = 0;
  Report(100);  // the analysis ends; the defragmentation fails to start
  const std::wstring failed = L"Failed to start defragmenting drive C:\\";
  ASSERT_EQ(failed, probe.pending_log.back());
  Report(100);  // the analysing step's entry is no longer the newest
  EXPECT_EQ(failed, probe.pending_log[3]);
  EXPECT_EQ(L"Analyzing C:\\ (100%)", probe.log_lines[0]);
  // The cycle rests on the open volume: no next drive, no end, nothing stored.
  const Log resting = History();
  scene.UpdateSchedule();
  EXPECT_EQ(resting, History());
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
  EXPECT_EQ(0, probe.current_drive);
  EXPECT_EQ(1, probe.volume_handle);
  EXPECT_EQ(L"", probe.schedule_line);
  EXPECT_EQ(L"(absent)", StoredLastDefrag());
}

TEST_F(SceneCycle, AStepThatFindsItsRunUnderWayRewritesNoEarlierEntry) {
  AddDrive(L"C:\\");
  AddDrive(L"Z:\\");
  scene.UpdateSchedule();
  g_engine.analyze_complete = 1;
  Report(100);
  ASSERT_EQ(L"Defragmenting C:\\", probe.pending_log.back());
  g_engine.in_analyze = 1;  // Z:'s analysis is found under way: it adds no entry
  g_engine.analyze_complete = 0;
  g_engine.defrag_complete = 1;
  Report(100);
  ASSERT_EQ(1, probe.current_drive);
  g_engine.defrag_complete = 0;
  Report(40);
  EXPECT_EQ(L"Defragmenting C:\\ (100%)", probe.pending_log.back());
}

TEST_F(SceneCycle, LastDriveThatCannotOpenEndsTheCycleNormally) {
  AddDrive(L"C:\\");
  AddDrive(L"Z:\\");
  scene.UpdateSchedule();
  g_engine.no_volume.insert(L"Z:\\");
  g_engine.analyze_complete = 1;
  g_engine.defrag_complete = 1;
  Report(100);  // analysis complete: defragmentation starts
  Report(100);  // defragmentation complete: Z: fails, the cycle ends
  EXPECT_EQ(Idle, probe.cycle_state.load());
  EXPECT_EQ(-1, probe.current_drive);
  EXPECT_EQ(L"Unable to create volume for defragmenting: Z:\\", probe.pending_log[4]);
  EXPECT_EQ(ExpectedEndLine(g_now), probe.pending_log.back());
}

TEST_F(SceneCycle, ReportedValuesAreTakenAsTheyCome) {
  AddDrive(L"C:\\");
  scene.UpdateSchedule();
  // A percentage outside 0..100 keeps its low 32 bits and is shown whole.
  Report(int64_t(1) << 32 | 5);
  EXPECT_EQ(5, probe.percent);
  EXPECT_EQ(L"Analyzing C:\\ (4294967301%)", probe.log_lines[0]);
  Report(-3);
  EXPECT_EQ(-3, probe.percent);
  EXPECT_EQ(L"Analyzing C:\\ (-3%)", probe.log_lines[0]);

  // No current file reads as an empty name.
  g_engine.analyze_complete = 1;
  Report(100);
  g_engine.current_file = nullptr;
  probe.status_line = L"old";
  Report(50);
  EXPECT_EQ(L"", probe.status_line);
  EXPECT_EQ(L"Defragmenting C:\\ (50%)", probe.pending_log.back());
}

TEST_F(SceneCycle, CallbacksActOnlyForALiveSceneAndAnOpenVolume) {
  AddDrive(L"C:\\");
  // No volume open yet: a report asks the engine nothing.
  OnEngineProgress();
  EXPECT_EQ(0, g_engine.percent_queries);
  scene.UpdateSchedule();

  // Before Create, after Destroy, or without a scene: reports change nothing and ask nothing.
  probe.callbacks_enabled = false;
  OnEngineProgress();
  OnEngineClusters(0, 999, Fragmented);
  probe.callbacks_enabled = true;
  g_scene = nullptr;
  OnEngineProgress();
  OnEngineClusters(0, 999, Fragmented);
  g_scene = &scene;
  EXPECT_EQ(0, g_engine.percent_queries);
  EXPECT_FALSE(probe.report_waiting);
  EXPECT_EQ(3, cells[0]);
  // A live scene marks a reported range at once, without waiting for the tick.
  OnEngineClusters(0, 999, NotFragmented);
  EXPECT_EQ(NotFragmented, cells[3]);

  // Once the cycle has ended, the open volume's reports are asked but show nothing.
  g_engine.analyze_complete = g_engine.defrag_complete = 1;
  Report(100);
  Report(100);
  ASSERT_EQ(Idle, probe.cycle_state.load());
  const Log at_end = History();
  const int asked = g_engine.percent_queries;
  Report(30);
  EXPECT_EQ(asked + 1, g_engine.percent_queries);
  EXPECT_FALSE(probe.report_waiting);
  EXPECT_EQ(at_end, History());
  EXPECT_EQ(100, probe.percent);
}

// The worker's exit detaches the scene while the engine, asked for a report, reports
// again from inside its answer: the nested report runs under the outer one's hold
// instead of queueing behind the detach that waits for that hold.
TEST_F(SceneCycle, AReportNestedInAReportEndsWhileTheSceneDetaches) {
  // A failure leaves both threads stuck on the report lock: it runs in a process of its own.
  if (!RunsAloneOrDelegates("SceneCycle.AReportNestedInAReportEndsWhileTheSceneDetaches")) return;
  AddDrive(L"C:\\");
  scene.UpdateSchedule();
  static HANDLE asked;
  asked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_engine.hook = [](const std::wstring& call) {
    if (call != L"GetPercentDone" || g_engine.percent_queries > 1) return;
    SetEvent(asked);
    Sleep(300 * TestTimeScale());  // time for the detach to wait for this report
    OnEngineProgress();
  };
  std::atomic<bool> reported{false}, detached{false};
  std::thread engine([&] {
    OnEngineProgress();
    reported = true;
  });
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(asked, 10000 * TestTimeScale()));
  std::thread detach([&] {
    DetachSceneFromEngineReports(&scene);
    detached = true;
  });
  if (!PumpMessagesUntil([&] { return reported && detached; }, 10000)) {
    ADD_FAILURE() << "the nested report and the detach wait for each other";
    TerminateProcess(GetCurrentProcess(), 1);  // the stuck threads cannot be joined
  }
  engine.join();
  detach.join();
  CloseHandle(asked);
  EXPECT_EQ(2, g_engine.percent_queries);  // the nested report was asked, before the detach
  EXPECT_EQ(nullptr, g_scene);
}

// A report that throws or faults inside the scene ends there, as a report not made: the
// bridge's guard around it sees a normal return, and a later detach (the worker's exit)
// does not wait for a hold that nobody gives back.
TEST_F(SceneCycle, AReportThatFailsInsideTheSceneEndsThereAndGivesItsHoldBack) {
  // A failure leaves the detach stuck on the report lock: it runs in a process of its own.
  if (!RunsAloneOrDelegates("SceneCycle.AReportThatFailsInsideTheSceneEndsThereAndGivesItsHoldBack"))
    return;
  AddDrive(L"C:\\");
  scene.UpdateSchedule();
  const std::function<void()> failures[] = {
      [] { throw std::bad_alloc(); },
      [] { *static_cast<volatile int*>(nullptr) = 0; },
  };
  for (const std::function<void()>& fail : failures) {
    g_engine.hook = [&fail](const std::wstring& call) {
      if (call == L"GetPercentDone") fail();
    };
    EXPECT_TRUE(RunGuarded([] { OnEngineProgress(); })) << "the failure left the report";
    EXPECT_FALSE(probe.report_waiting);
    std::atomic<bool> detached{false};
    std::thread detach([&] {
      DetachSceneFromEngineReports(&scene);
      detached = true;
    });
    if (!PumpMessagesUntil([&] { return detached.load(); }, 10000)) {
      ADD_FAILURE() << "the failed report kept its hold on the scene";
      TerminateProcess(GetCurrentProcess(), 1);  // the stuck detach cannot be joined
    }
    detach.join();
    g_scene = &scene;
    probe.callbacks_enabled = true;
  }
}

// Reports that arrive while the window's thread is inside a bridge call: each is asked
// about the volume and step it belongs to, and none reaches another drive.
TEST_F(SceneCycle, ReportsDuringBridgeCallsBelongToTheirOwnStep) {
  AddDrive(L"C:\\");
  AddDrive(L"Z:\\");
  scene.UpdateSchedule();

  // The defragmentation reports from inside its own start call: asked as the
  // defragmentation's, not as another completed analysis.
  g_engine.hook = [](const std::wstring& call) {
    if (call != L"StartDefrag") return;
    g_engine.percent = 3;
    OnEngineProgress();
  };
  g_engine.analyze_complete = 1;
  Report(100);
  scene.UpdateSchedule();
  const Log expected = {L"Analyzing C:\\ (100%)", L"Discovered 1,000 clusters",
                        L"A total of 4,321 files fragmented", L"Fragmentation level 9%",
                        L"Defragmenting C:\\ (3%)"};
  EXPECT_EQ(expected, History()) << Narrow(History());
  EXPECT_EQ(3, probe.percent);

  // The finished volume reports while it is being closed: not even asked. The next
  // drive's analysis reports from inside its start call: it counts.
  g_engine.hook = [](const std::wstring& call) {
    if (call == L"CloseVolumeHandle") OnEngineProgress();
    if (call != L"StartAnalyze") return;
    g_engine.analyze_complete = 0;
    g_engine.percent = 5;
    OnEngineProgress();
  };
  g_engine.defrag_complete = 1;
  const int asked = g_engine.percent_queries;
  Report(100);
  EXPECT_EQ(asked + 2, g_engine.percent_queries);  // C:'s completion and Z:'s first report
  scene.UpdateSchedule();
  EXPECT_EQ(L"Analyzing Z:\\ (5%)", probe.pending_log.back());
  EXPECT_EQ(5, probe.percent);
}

// A report asked about one drive and handed over after the tick has moved on to the
// next: dropped, though both are analyses.
TEST_F(SceneCycle, AReportOvertakenByTheNextDriveIsDropped) {
  g_preview = true;  // preview goes from analysis to analysis
  AddDrive(L"C:\\");
  AddDrive(L"Z:\\");
  scene.UpdateSchedule();
  g_engine.analyze_complete = 1;
  g_engine.percent = 100;
  OnEngineProgress();  // C: complete, waiting for the tick
  g_engine.analyze_complete = 0;
  g_engine.percent = 77;
  // The next C: report is being asked when the tick runs and moves on to Z:.
  bool moved_on = false;
  g_engine.hook = [&](const std::wstring& call) {
    if (call != L"GetAnalyzeComplete" || moved_on) return;
    moved_on = true;
    scene.UpdateSchedule();
  };
  OnEngineProgress();
  ASSERT_EQ(1, probe.current_drive);
  scene.UpdateSchedule();
  EXPECT_EQ(L"Analyzing Z:\\", probe.pending_log.back());
  EXPECT_EQ(0, probe.percent);
}

TEST_F(SceneSchedule, CountdownFromTheLastDefragmentation) {
  probe.last_defrag = g_now;
  scene.UpdateSchedule();
  EXPECT_EQ(g_now, probe.now);
  EXPECT_EQ(L"Time until next defragmentation 00:30:00", probe.schedule_line);

  g_now += 1799;
  scene.UpdateSchedule();
  EXPECT_EQ(L"Time until next defragmentation 00:00:01", probe.schedule_line);
  EXPECT_EQ(Idle, probe.cycle_state.load());

  g_now += 1;
  scene.UpdateSchedule();
  EXPECT_EQ(L"", probe.schedule_line);
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
  // No drive is selected: one message, and no further cycle while the scene lives.
  EXPECT_EQ(kSelectOne, probe.log_lines[0]);
  g_now += 100000;
  scene.UpdateSchedule();
  EXPECT_EQ(L"", probe.schedule_line);
  EXPECT_TRUE(probe.pending_log.empty());
  EXPECT_EQ(L"(absent)", StoredLastDefrag());
}

TEST_F(SceneSchedule, StoredTimeInTheFutureShowsDaysAndNeverOverflows) {
  struct Case {
    int64_t ahead;
    const wchar_t* text;
  } cases[] = {
      {84599, L"Time until next defragmentation 23:59:59"},
      {84600, L"Time until next defragmentation: about 1 Day"},
      {88200, L"Time until next defragmentation: about 1 Day and 1 Hour"},
      {172800, L"Time until next defragmentation: about 2 Days"},
      {INT64_MAX - 1700000000,
       L"Time until next defragmentation: about 106751991147624 Days and 17 Hours"},
  };
  for (const Case& c : cases) {
    probe.last_defrag = g_now + c.ahead;
    scene.UpdateSchedule();
    EXPECT_EQ(c.text, probe.schedule_line) << c.ahead;
    EXPECT_EQ(Idle, probe.cycle_state.load());
  }
  // The farthest past starts a cycle.
  probe.last_defrag = INT64_MIN;
  scene.UpdateSchedule();
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
}

TEST_F(SceneSchedule, PreviewStartsAtOnceAndLeavesTheScheduleLine) {
  g_preview = true;
  probe.last_defrag = g_now;
  probe.schedule_line = L"untouched";
  scene.UpdateSchedule();
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
  EXPECT_EQ(L"untouched", probe.schedule_line);
  EXPECT_EQ(kSelectOne, probe.log_lines[0]);
}

TEST_F(SceneSchedule, WithoutTheBridgeASelectedDriveRestsWithoutMessages) {
  AddDrive(L"C:\\");
  probe.engine_loaded = 0;
  scene.UpdateSchedule();
  EXPECT_EQ(Analyzing, probe.cycle_state.load());
  EXPECT_EQ(0, probe.current_drive);
  EXPECT_EQ(L"", probe.log_lines[0]);
}

TEST_F(SceneSchedule, SettingsAreReadWithinTheirRoom) {
  // A raw stored value: `bytes` bytes of `text`, so with or without a terminator.
  struct Stored {
    const wchar_t* text;  // nullptr: absent
    DWORD bytes;
    DWORD type;
  };
  const DWORD number = 0;
  const wchar_t* as_text = reinterpret_cast<const wchar_t*>(&number);
  const wchar_t padded[23] = L"123";
  struct Case {
    Stored last_defrag;
    Stored idle_animation;
    int64_t expected_last_defrag;
    bool expected_idle_animation;
  } cases[] = {
      {{nullptr, 0, 0}, {nullptr, 0, 0}, 0, true},
      {{L"1700000000", 22, REG_SZ}, {L"0", 4, REG_SZ}, 1700000000, false},
      {{L"  -42xyz", 18, REG_SZ}, {L"2", 4, REG_SZ}, -42, true},
      {{L"abc", 8, REG_SZ}, {L"abc", 8, REG_SZ}, 0, false},
      // The longest real value; one character more is read as absent.
      {{L"-9223372036854775808", 42, REG_SZ}, {nullptr, 0, 0}, INT64_MIN, true},
      {{L"1234567890123456789012", 46, REG_SZ}, {L"0000000000000000000000", 46, REG_SZ}, 0, true},
      // Without a terminator: read within the stored length; filling the room is too long.
      {{L"17000000009999", 20, REG_SZ}, {L"0", 2, REG_SZ}, 1700000000, false},
      {{L"1111111111111111111111", 44, REG_SZ}, {nullptr, 0, 0}, 0, true},
      // Zeros behind the text count toward the size: 44 bytes fit, 46 do not.
      {{padded, 44, REG_SZ}, {padded, 44, REG_SZ}, 123, true},
      {{padded, 46, REG_SZ}, {padded, 46, REG_SZ}, 0, true},
      // Another type is read as text all the same: the number 0 is an empty text, so 0.
      {{L"1700000000", 22, REG_BINARY}, {as_text, 4, REG_DWORD}, 1700000000, false},
      {{as_text, 4, REG_DWORD}, {L"0\0", 6, REG_MULTI_SZ}, 0, false},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index++);
    DeleteSceneSettings();
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    const std::pair<const wchar_t*, const Stored*> values[] = {
        {L"LastDefrag", &c.last_defrag}, {L"IdleAnimation", &c.idle_animation}};
    for (const auto& value : values)
      if (value.second->text != nullptr)
        RegSetValueExW(key, value.first, 0, value.second->type,
                       reinterpret_cast<const BYTE*>(value.second->text), value.second->bytes);
    RegCloseKey(key);

    probe.last_defrag = 12345;
    probe.idle_animation = !c.expected_idle_animation;
    scene.LoadSettings();
    EXPECT_EQ(c.expected_last_defrag, probe.last_defrag);
    EXPECT_EQ(c.expected_idle_animation, probe.idle_animation);
  }
}

TEST_F(SceneSchedule, EndOfCycleWritesTheTimeOutsidePreview) {
  probe.last_defrag = 5;
  scene.NextDrive();  // no drive left: the cycle ends
  EXPECT_EQ(Idle, probe.cycle_state.load());
  EXPECT_EQ(g_now, probe.last_defrag);
  EXPECT_EQ(g_vendor_line, probe.status_line);
  EXPECT_EQ(-1, probe.idle_position);
  EXPECT_EQ(g_now, probe.cycle_end_time);
  EXPECT_EQ(ExpectedEndLine(g_now), probe.log_lines[0]);
  EXPECT_EQ(L"1700000000", StoredLastDefrag());

  // In preview nothing is renewed or written.
  g_preview = true;
  g_now += 50;
  scene.NextDrive();
  EXPECT_EQ(1700000000, probe.last_defrag);
  EXPECT_EQ(g_now, probe.cycle_end_time);
  EXPECT_EQ(L"1700000000", StoredLastDefrag());
}

TEST_F(SceneSchedule, EndOfCycleLineShowsTheLocalTimeOrNothing) {
  for (int64_t when : {int64_t(1700000000), int64_t(1700050000), int64_t(86400 * 2), int64_t(0),
                       int64_t(-1), INT64_MIN, INT64_MAX}) {
    SaverScene fresh(&drives, false);
    SceneProbe fresh_probe{fresh};
    fresh_probe.last_defrag = when;
    fresh.LogLastDefragTime();
    // A time the runtime cannot convert gives no line at all.
    EXPECT_EQ(when >= 0 && when != INT64_MAX ? ExpectedEndLine(when) : L"",
              fresh_probe.log_lines[0])
        << when;
  }
}
