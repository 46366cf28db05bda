// The cycle's steps against a scripted engine table: which drive opens, what the
// log shows, and what the scene asks of the engine.
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
    std::set<std::wstring> no_volume;    // GetVolumeHandle answers 0
    std::set<std::wstring> no_open;      // OpenVolume answers 0
    std::vector<std::wstring> handle_drive = std::vector<std::wstring>(1);
    std::vector<std::wstring> calls;
    int32_t priority = 0;
    int32_t analyze_complete = 0;
    int32_t defrag_complete = 0;
    int64_t percent = 0;
    const wchar_t* current_file = L"C:\\dir\\file.txt";
} g_engine;

int32_t __stdcall ScriptedGetVolumeHandle(const wchar_t* drive, ProgressCallback,
                                          ClusterRangeCallback, int32_t)
{
    g_engine.calls.push_back(L"GetVolumeHandle " + std::wstring(drive));
    if (g_engine.no_volume.count(drive)) return 0;
    g_engine.handle_drive.push_back(drive);
    return static_cast<int32_t>(g_engine.handle_drive.size() - 1);
}
void __stdcall ScriptedCloseVolumeHandle(int32_t h)
{
    g_engine.calls.push_back(L"CloseVolumeHandle " + std::to_wstring(h));
}
int32_t __stdcall ScriptedOpenVolume(int32_t h)
{
    return g_engine.no_open.count(g_engine.handle_drive[h]) ? 0 : 1;
}
int64_t __stdcall ScriptedGetTotalClusters(int32_t)
{
    return 1000;
}
int32_t __stdcall ScriptedZero(int32_t)
{
    return 0;
}
int32_t __stdcall ScriptedGetDefragPriority(int32_t)
{
    return g_engine.priority;
}
int32_t __stdcall ScriptedSetDefragPriority(int32_t, int32_t priority)
{
    g_engine.calls.push_back(L"SetDefragPriority " + std::to_wstring(priority));
    g_engine.priority = priority;
    return 1;
}
int32_t __stdcall ScriptedStartAnalyze(int32_t h, const wchar_t* text, int32_t flag)
{
    g_engine.calls.push_back(L"StartAnalyze " + std::to_wstring(h) + (text ? L" text" : L" null") +
                             L" " + std::to_wstring(flag));
    return 1;
}
int32_t __stdcall ScriptedStartDefrag(int32_t h, int32_t mode, int32_t flag)
{
    g_engine.calls.push_back(L"StartDefrag " + std::to_wstring(h) + L" " + std::to_wstring(mode) +
                             L" " + std::to_wstring(flag));
    return 1;
}
int32_t __stdcall ScriptedGetAnalyzeComplete(int32_t)
{
    return g_engine.analyze_complete;
}
int32_t __stdcall ScriptedGetDefragComplete(int32_t)
{
    return g_engine.defrag_complete;
}
int64_t __stdcall ScriptedGetPercentDone(int32_t)
{
    return g_engine.percent;
}
int64_t __stdcall ScriptedGetFragmentedFiles(int32_t)
{
    return 4321;
}
int32_t __stdcall ScriptedGetFragmentation(int32_t)
{
    return 9;
}
const wchar_t* __stdcall ScriptedGetCurrentFile(int32_t)
{
    return g_engine.current_file;
}

class SceneCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_engine = ScriptedEngine();
        EngineFunctionTable& t = g_engine_functions;
        t.GetVolumeHandle = ScriptedGetVolumeHandle;
        t.CloseVolumeHandle = ScriptedCloseVolumeHandle;
        t.OpenVolume = ScriptedOpenVolume;
        t.GetTotalClusters = ScriptedGetTotalClusters;
        t.GetInAnalyze = ScriptedZero;
        t.GetInDefrag = ScriptedZero;
        t.GetDefragPriority = ScriptedGetDefragPriority;
        t.SetDefragPriority = ScriptedSetDefragPriority;
        t.StartAnalyze = ScriptedStartAnalyze;
        t.StartDefrag = ScriptedStartDefrag;
        t.GetAnalyzeComplete = ScriptedGetAnalyzeComplete;
        t.GetDefragComplete = ScriptedGetDefragComplete;
        t.GetPercentDone = ScriptedGetPercentDone;
        t.GetFragmentedFiles = ScriptedGetFragmentedFiles;
        t.GetFragmentation = ScriptedGetFragmentation;
        t.GetCurrentFile = ScriptedGetCurrentFile;

        scene.engine_loaded = 1;
        scene.clock = [] { return int64_t(1700000000); };
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

    void AddDrive(const wchar_t* root, bool selected = true)
    {
        DiskInfo disk;
        wcscpy(disk.root_path, root);
        disk.selected = selected ? 1 : 0;
        drives.disks.push_back(disk);
    }

    // The engine reports progress; the next frame tick handles it.
    void Report(int64_t percent)
    {
        g_engine.percent = percent;
        OnEngineProgress();
        scene.UpdateSchedule();
    }

    std::vector<std::wstring> History() const
    {
        std::vector<std::wstring> log = {scene.log_lines[0]};
        log.insert(log.end(), scene.pending_log.begin(), scene.pending_log.end());
        return log;
    }

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

    EXPECT_EQ(std::vector<std::wstring>({L"GetVolumeHandle C:\\", L"CloseVolumeHandle 1",
                                         L"GetVolumeHandle Z:\\", L"SetDefragPriority 1",
                                         L"StartAnalyze 2 null 1"}),
              g_engine.calls);
    EXPECT_EQ(2, scene.current_drive);
    EXPECT_EQ(2, scene.volume_handle);
    EXPECT_EQ(1000, scene.total_clusters.load());
    EXPECT_EQ(0, trail[0]);
    // The first cycle keeps the map it has.
    EXPECT_EQ(3, cells[0]);
    EXPECT_EQ(std::vector<std::wstring>(
                  {L"You must have admin rights to defragment your drives.", L"Analyzing Z:\\"}),
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
    Report(99);
    EXPECT_EQ(Defragmenting, scene.cycle_state.load());
    EXPECT_EQ(0, scene.percent);
    EXPECT_EQ(std::vector<std::wstring>({L"Analyzing C:\\ (100%)", L"Discovered 1,000 clusters",
                                         L"A total of 4,321 files fragmented",
                                         L"Fragmentation level 9%", L"Defragmenting C:\\"}),
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
    EXPECT_EQ(0u, scene.pending_log.back().find(L"Defragmented on "));
    EXPECT_EQ(g_vendor_line, scene.status_line);
    EXPECT_EQ(1700000000, scene.last_defrag);
    // The cycle that ended in this tick is not followed up before the next one.
    EXPECT_EQ(L"", scene.schedule_line);
    scene.UpdateSchedule();
    EXPECT_EQ(L"Time until next defragmentation 00:30:00", scene.schedule_line);
}

TEST_F(SceneCycle, NullCurrentFileReadsAsEmpty)
{
    AddDrive(L"C:\\");
    scene.UpdateSchedule();
    g_engine.analyze_complete = 1;
    Report(100);
    g_engine.current_file = nullptr;
    scene.status_line = L"old";
    Report(50);
    EXPECT_EQ(L"", scene.status_line);
    EXPECT_EQ(L"Defragmenting C:\\ (50%)", scene.pending_log.back());
}

TEST_F(SceneCycle, PercentageKeepsItsLowBitsAndShowsTheWholeValue)
{
    AddDrive(L"C:\\");
    scene.UpdateSchedule();
    Report(int64_t(1) << 32 | 5);
    EXPECT_EQ(5, scene.percent);
    EXPECT_EQ(L"Analyzing C:\\ (4294967301%)", scene.log_lines[0]);
    Report(-3);
    EXPECT_EQ(-3, scene.percent);
    EXPECT_EQ(L"Analyzing C:\\ (-3%)", scene.log_lines[0]);
}

TEST_F(SceneCycle, DestroyedSceneIgnoresReports)
{
    AddDrive(L"C:\\");
    scene.UpdateSchedule();
    scene.callbacks_enabled = false;
    OnEngineProgress();
    OnEngineClusters(0, 999, Fragmented);
    EXPECT_FALSE(scene.progress_pending.load());
    EXPECT_EQ(3, cells[0]);
}
