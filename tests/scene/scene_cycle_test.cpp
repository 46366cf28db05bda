// The cycle's steps against a scripted engine table: which drive opens, what the
// log shows, what the scene asks of the engine, and how reports reach the tick.
#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "core/drive_list.h"
#include "core/engine_functions.h"
#include "core/saver_scene.h"
#include "tests/scene/scene_test_support.h"

namespace {

// The scripted engine: one volume per handle, answers set by the test.
struct ScriptedEngine {
    std::set<std::wstring> no_volume;  // GetVolumeHandle answers 0
    std::set<std::wstring> no_open;    // OpenVolume answers 0
    Log handle_drive = Log(1);
    Log calls;
    int32_t priority = 0;
    int32_t analyze_complete = 0;
    int32_t defrag_complete = 0;
    int64_t percent = 0;
    const wchar_t* current_file = L"C:\\dir\\file.txt";
} g_engine;
int64_t g_now = 1700000000;

int32_t __stdcall GetVolumeHandle(const wchar_t* drive, ProgressCallback, ClusterRangeCallback,
                                  int32_t)
{
    g_engine.calls.push_back(L"GetVolumeHandle " + std::wstring(drive));
    if (g_engine.no_volume.count(drive)) return 0;
    g_engine.handle_drive.push_back(drive);
    return static_cast<int32_t>(g_engine.handle_drive.size() - 1);
}
void __stdcall CloseVolumeHandle(int32_t h) { g_engine.calls.push_back(L"CloseVolumeHandle " + std::to_wstring(h)); }
int32_t __stdcall OpenVolume(int32_t h) { return g_engine.no_open.count(g_engine.handle_drive[h]) ? 0 : 1; }
int64_t __stdcall GetTotalClusters(int32_t) { return 1000; }
int32_t __stdcall Zero(int32_t) { return 0; }
int32_t __stdcall GetDefragPriority(int32_t) { return g_engine.priority; }
int32_t __stdcall SetDefragPriority(int32_t, int32_t priority)
{
    g_engine.calls.push_back(L"SetDefragPriority " + std::to_wstring(priority));
    g_engine.priority = priority;
    return 1;
}
int32_t __stdcall StartAnalyze(int32_t h, const wchar_t* text, int32_t flag)
{
    g_engine.calls.push_back(L"StartAnalyze " + std::to_wstring(h) + (text ? L" text " : L" null ") +
                             std::to_wstring(flag));
    return 1;
}
int32_t __stdcall StartDefrag(int32_t h, int32_t mode, int32_t flag)
{
    g_engine.calls.push_back(L"StartDefrag " + std::to_wstring(h) + L" " + std::to_wstring(mode) +
                             L" " + std::to_wstring(flag));
    return 1;
}
int32_t __stdcall GetAnalyzeComplete(int32_t) { return g_engine.analyze_complete; }
int32_t __stdcall GetDefragComplete(int32_t) { return g_engine.defrag_complete; }
int64_t __stdcall GetPercentDone(int32_t) { return g_engine.percent; }
int64_t __stdcall GetFragmentedFiles(int32_t) { return 4321; }
int32_t __stdcall GetFragmentation(int32_t) { return 9; }
const wchar_t* __stdcall GetCurrentFile(int32_t) { return g_engine.current_file; }

class SceneCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_engine = ScriptedEngine();
        g_now = 1700000000;
        EngineFunctionTable& t = g_engine_functions;
#define TW_SCRIPTED(name) t.name = name;
        TW_SCRIPTED(GetVolumeHandle) TW_SCRIPTED(CloseVolumeHandle) TW_SCRIPTED(OpenVolume) TW_SCRIPTED(GetTotalClusters)
        TW_SCRIPTED(GetDefragPriority) TW_SCRIPTED(SetDefragPriority) TW_SCRIPTED(StartAnalyze) TW_SCRIPTED(StartDefrag)
        TW_SCRIPTED(GetAnalyzeComplete) TW_SCRIPTED(GetDefragComplete) TW_SCRIPTED(GetPercentDone)
        TW_SCRIPTED(GetFragmentedFiles) TW_SCRIPTED(GetFragmentation) TW_SCRIPTED(GetCurrentFile)
#undef TW_SCRIPTED
        t.GetInAnalyze = t.GetInDefrag = Zero;

        scene.engine_loaded = 1;
        scene.clock = [] { return g_now; };
        scene.callbacks_enabled = true;
        scene.cell_count = 4;
        scene.cell_state = cells;
        scene.cell_glow = glow;
        scene.idle_trail = trail;
        scene.grid_width = 1000;
        scene.measure_text = [](const wchar_t*, int length) { return length; };
    }

    void TearDown() override
    {
        DeleteSceneSettings();
        g_engine_functions = EngineFunctionTable{};
        scene.cell_state = nullptr;
        scene.cell_glow = nullptr;
        scene.idle_trail = nullptr;
    }

    void AddDrive(const wchar_t* root, bool selected = true) { ::AddDrive(&drives, root, selected); }

    // The engine reports progress; the next frame tick handles it.
    void Report(int64_t percent)
    {
        g_engine.percent = percent;
        OnEngineProgress();
        scene.UpdateSchedule();
    }

    Log History() const { return LoggedMessages(scene); }

    DiskList drives;
    SaverScene scene{&drives, false};
    int32_t cells[4] = {3, 3, 3, 3};
    int8_t glow[4] = {0, 0, 0, 0};
    int8_t trail[4] = {7, 7, 7, 7};
};

}  // namespace

TEST_F(SceneCycle, FirstDriveThatCannotOpenIsPassedOverAtTheStart)
{
    AddDrive(L"C:\\");
    AddDrive(L"D:\\", false);
    AddDrive(L"Z:\\");
    g_engine.no_open.insert(L"C:\\");
    g_engine.priority = 5;
    scene.UpdateSchedule();

    EXPECT_EQ(Log({L"GetVolumeHandle C:\\", L"CloseVolumeHandle 1", L"GetVolumeHandle Z:\\",
                   L"SetDefragPriority 1", L"StartAnalyze 2 null 1"}),
              g_engine.calls);
    EXPECT_EQ(2, scene.current_drive);
    EXPECT_EQ(2, scene.volume_handle);
    EXPECT_EQ(1000, scene.total_clusters.load());
    EXPECT_EQ(0, trail[0]);
    EXPECT_EQ(3, cells[0]);  // the first cycle keeps the map it has
    EXPECT_EQ(Log({L"You must have admin rights to defragment your drives.", L"Analyzing Z:\\"}),
              History());
}

TEST_F(SceneCycle, ReportsRunTheCycleOnTheTick)
{
    AddDrive(L"C:\\");
    AddDrive(L"Z:\\");
    scene.UpdateSchedule();
    ASSERT_EQ(L"Analyzing C:\\", scene.log_lines[0]);

    // A report only marks itself; nothing changes until the tick.
    g_engine.percent = 40;
    OnEngineProgress();
    EXPECT_EQ(L"Analyzing C:\\", scene.log_lines[0]);
    scene.UpdateSchedule();
    EXPECT_EQ(L"Analyzing C:\\ (40%)", scene.log_lines[0]);
    EXPECT_EQ(40, scene.percent);

    g_engine.analyze_complete = 1;
    Report(99);  // complete: the entry ends in 100%, whatever the engine said
    EXPECT_EQ(Defragmenting, scene.cycle_state.load());
    EXPECT_EQ(0, scene.percent);
    EXPECT_EQ(Log({L"Analyzing C:\\ (100%)", L"Discovered 1,000 clusters",
                   L"A total of 4,321 files fragmented", L"Fragmentation level 9%",
                   L"Defragmenting C:\\"}),
              History());
    EXPECT_EQ(L"StartDefrag 1 0 0", g_engine.calls.back());

    Report(7);
    EXPECT_EQ(L"C:\\dir\\file.txt", scene.status_line);
    EXPECT_EQ(L"Defragmenting C:\\ (7%)", scene.pending_log.back());

    // The drive is done: the next one opens on a fresh map.
    g_engine.analyze_complete = 0;
    g_engine.defrag_complete = 1;
    Report(100);
    EXPECT_EQ(1, scene.current_drive);
    EXPECT_EQ(L"CloseVolumeHandle 1", g_engine.calls[g_engine.calls.size() - 3]);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(0, cells[i]);
        EXPECT_EQ(100, glow[i]);
    }
    EXPECT_EQ(L"Analyzing Z:\\", scene.pending_log.back());
    EXPECT_EQ(Analyzing, scene.cycle_state.load());

    // Z: runs to its end; the cycle's end is followed up from the next tick on.
    cells[0] = Fragmented;
    g_engine.analyze_complete = 1;
    Report(100);
    Report(100);
    EXPECT_EQ(Idle, scene.cycle_state.load());
    EXPECT_EQ(L"", scene.schedule_line);
    scene.UpdateSchedule();
    EXPECT_EQ(L"Time until next defragmentation 00:30:00", scene.schedule_line);

    // The next cycle begins with the map the last one left.
    g_now += 1800;
    scene.UpdateSchedule();
    EXPECT_EQ(Analyzing, scene.cycle_state.load());
    EXPECT_EQ(0, scene.current_drive);
    EXPECT_EQ(Fragmented, cells[0]);
}

TEST_F(SceneCycle, LastDriveThatCannotOpenEndsTheCycleNormally)
{
    AddDrive(L"C:\\");
    AddDrive(L"Z:\\");
    scene.UpdateSchedule();
    g_engine.no_volume.insert(L"Z:\\");
    g_engine.analyze_complete = 1;
    g_engine.defrag_complete = 1;
    Report(100);  // analysis complete: defragmentation starts
    Report(100);  // defragmentation complete: Z: fails, the cycle ends
    EXPECT_EQ(Idle, scene.cycle_state.load());
    EXPECT_EQ(-1, scene.current_drive);
    EXPECT_EQ(L"Unable to create volume for defragmenting: Z:\\", scene.pending_log[4]);
    EXPECT_EQ(ExpectedEndLine(g_now), scene.pending_log.back());
    EXPECT_EQ(g_vendor_line, scene.status_line);
    EXPECT_EQ(g_now, scene.last_defrag);
}

TEST_F(SceneCycle, ReportedValuesAreTakenAsTheyCome)
{
    AddDrive(L"C:\\");
    scene.UpdateSchedule();
    // A percentage outside 0..100 keeps its low 32 bits and is shown whole.
    Report(int64_t(1) << 32 | 5);
    EXPECT_EQ(5, scene.percent);
    EXPECT_EQ(L"Analyzing C:\\ (4294967301%)", scene.log_lines[0]);
    Report(-3);
    EXPECT_EQ(-3, scene.percent);
    EXPECT_EQ(L"Analyzing C:\\ (-3%)", scene.log_lines[0]);

    // No current file reads as an empty name.
    g_engine.analyze_complete = 1;
    Report(100);
    g_engine.current_file = nullptr;
    scene.status_line = L"old";
    Report(50);
    EXPECT_EQ(L"", scene.status_line);
    EXPECT_EQ(L"Defragmenting C:\\ (50%)", scene.pending_log.back());
}

TEST_F(SceneCycle, CallbacksActOnlyForALiveSceneAndAListedDrive)
{
    AddDrive(L"C:\\");
    scene.UpdateSchedule();

    // Before Create, after Destroy, or without a scene: reports change nothing.
    scene.callbacks_enabled = false;
    OnEngineProgress();
    OnEngineClusters(0, 999, Fragmented);
    EXPECT_FALSE(scene.progress_pending.load());
    scene.callbacks_enabled = true;
    g_scene = nullptr;
    OnEngineProgress();
    OnEngineClusters(0, 999, Fragmented);
    g_scene = &scene;
    EXPECT_FALSE(scene.progress_pending.load());
    EXPECT_EQ(3, cells[0]);
    // A live scene marks a reported range at once, without waiting for the tick.
    OnEngineClusters(0, 999, NotFragmented);
    EXPECT_EQ(NotFragmented, cells[3]);

    // A report left over when no drive of the list is current touches nothing.
    scene.current_drive = -1;
    g_engine_functions.GetPercentDone = nullptr;  // any engine call would crash
    OnEngineProgress();
    EXPECT_TRUE(scene.progress_pending.load());
    scene.UpdateSchedule();
    EXPECT_FALSE(scene.progress_pending.load());
    EXPECT_EQ(Log({L"Analyzing C:\\"}), History());
}
