// The engine reports from its own thread: host callbacks, closing while
// reports arrive, and a stress run of opening and closing under fast reports.

#include "tests/bridge/bridge_library.h"

#include <atomic>
#include <thread>

namespace {

BridgeLibrary* g_bridge = nullptr;
std::atomic<int32_t> g_handle{0};
std::atomic<DWORD> g_cluster_thread{0};
std::atomic<int> g_out_of_range{0};
std::atomic<int64_t> g_total_clusters{0};
std::atomic<int64_t> g_last_percent{-100};
std::atomic<bool> g_saw_defrag_file{false};

void __stdcall CountClusters(int64_t first, int64_t last, int32_t state)
{
    g_cluster_thread = GetCurrentThreadId();
    if (first < 0 || last >= g_total_clusters || first > last || state < 0 || state > 5)
        ++g_out_of_range;
}

// Hosts call back into the library from inside the callback.
void AskPercent()
{
    g_last_percent = g_bridge->GetPercentDone(g_handle);
    const wchar_t* file = g_bridge->GetCurrentFile(g_handle);
    if (g_bridge->GetInDefrag(g_handle) && file && file[0]) g_saw_defrag_file = true;
}

class BridgeRunTest : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        g_bridge = &bridge;
    }
    int32_t OpenReporting(ProgressCallback progress, ClusterRangeCallback clusters)
    {
        g_handle = bridge.GetVolumeHandle(L"C:\\", progress, clusters, 1);
        g_total_clusters = bridge.GetTotalClusters(g_handle);
        return g_handle;
    }
    bool Analyze(int32_t handle)
    {
        return bridge.StartAnalyze(handle, nullptr, 1) == 1 &&
               WaitFor([&] { return bridge.GetAnalyzeComplete(handle) != 0; });
    }
};

TEST_F(BridgeRunTest, AnalysisAndDefragmentationReportFromTheEnginesThread)
{
    int32_t handle = OpenReporting(AskPercent, CountClusters);
    ASSERT_EQ(handle, 1);
    EXPECT_TRUE(Analyze(handle));
    EXPECT_TRUE(WaitFor([&] { return g_last_percent == 100; }));
    EXPECT_NE(g_cluster_thread, 0u);
    EXPECT_NE(g_cluster_thread, GetCurrentThreadId());
    EXPECT_GT(bridge.GetFragmentedFiles(handle), 0);

    EXPECT_EQ(bridge.StartDefrag(handle, 0, 0), 1);
    EXPECT_TRUE(WaitFor([&] { return bridge.GetDefragComplete(handle) != 0; }));
    EXPECT_TRUE(g_saw_defrag_file);
    EXPECT_EQ(bridge.GetFragmentation(handle), 0);
    EXPECT_EQ(g_out_of_range, 0);

    // Odd engines reach the host unchanged.
    ASSERT_TRUE(sim.Set(L"TW_SIM_BAD_RANGES=1"));
    ASSERT_TRUE(sim.Set(L"TW_SIM_ODD_PERCENT=1"));
    EXPECT_TRUE(Analyze(handle));
    EXPECT_TRUE(WaitFor([&] { return g_last_percent == 250; }));
    EXPECT_GT(g_out_of_range, 0);
}

std::atomic<bool> g_inside_slow{false};
std::atomic<bool> g_slow_done{false};
std::atomic<int> g_slow_calls{0};

void __stdcall SlowClusters(int64_t, int64_t, int32_t)
{
    ++g_slow_calls;
    if (!g_inside_slow.exchange(true)) {
        Sleep(300);
        g_slow_done = true;
    }
}

TEST_F(BridgeRunTest, CloseWaitsForTheCallbackInProgressAndStopsAllLaterOnes)
{
    int32_t handle = OpenReporting(nullptr, SlowClusters);
    EXPECT_EQ(bridge.StartAnalyze(handle, nullptr, 1), 1);
    ASSERT_TRUE(WaitFor([] { return g_inside_slow.load(); }));
    bridge.CloseVolumeHandle(handle);
    EXPECT_TRUE(g_slow_done);
    int calls = g_slow_calls;
    Sleep(100);
    EXPECT_EQ(g_slow_calls, calls);
}

std::atomic<int> g_calls_after_close{0};
std::atomic<bool> g_closed{false};

void CloseFromInside()
{
    if (g_closed) {
        ++g_calls_after_close;
        return;
    }
    g_bridge->CloseVolumeHandle(g_handle);  // must not wait for itself
    g_closed = true;
}

TEST_F(BridgeRunTest, CloseFromInsideItsOwnCallbackDoesNotDeadlock)
{
    int32_t handle = OpenReporting(CloseFromInside, nullptr);
    EXPECT_EQ(bridge.StartAnalyze(handle, nullptr, 1), 1);
    ASSERT_TRUE(WaitFor([] { return g_closed.load(); }));
    EXPECT_EQ(bridge.GetTotalClusters(handle), 0);
    EXPECT_TRUE(WaitFor([&] { return sim.Query(L"workers_running") == 0; }));
    EXPECT_EQ(g_calls_after_close, 0);
    EXPECT_EQ(sim.Query(L"volumes_alive"), 0);
    EXPECT_EQ(sim.Query(L"callbacks_held"), 0);
}

// One thread opens and closes handles while the engine reports as fast as it
// can and another thread calls exports on whatever handle is current: no
// crash, no host callback while no handle is open, every reference given back.
std::atomic<bool> g_open{false};
std::atomic<int> g_late_calls{0};
std::atomic<int64_t> g_reports{0};

void StressProgress()
{
    ++g_reports;
    if (!g_open) ++g_late_calls;
    g_bridge->GetPercentDone(g_handle);
    const wchar_t* file = g_bridge->GetCurrentFile(g_handle);
    if (file) (void)file[0];
}

void __stdcall StressClusters(int64_t, int64_t, int32_t)
{
    ++g_reports;
    if (!g_open) ++g_late_calls;
}

TEST_F(BridgeRunTest, StressOpenAndCloseWhileTheEngineReportsFast)
{
    ASSERT_TRUE(sim.Set(L"TW_SIM_REPORT_MS=0"));
    ASSERT_TRUE(sim.Set(L"TW_SIM_ANALYZE_MS=100000"));
    std::atomic<bool> running{true};
    std::thread reader([&] {
        while (running) {
            int32_t handle = g_handle;
            g_bridge->GetPercentDone(handle);
            g_bridge->GetDriveName(handle);
            g_bridge->GetExclusionList(handle);
        }
    });
    int cycles = 0;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 4000; ++cycles) {
        g_open = true;
        g_handle = bridge.GetVolumeHandle(L"C:\\", StressProgress, StressClusters, 1);
        ASSERT_NE(g_handle, 0);
        ASSERT_EQ(bridge.StartAnalyze(g_handle, nullptr, 1), 1);
        int64_t seen = g_reports;
        WaitFor([&] { return g_reports > seen + 20; }, 1000);
        bridge.CloseVolumeHandle(g_handle);
        g_open = false;
    }
    running = false;
    reader.join();
    EXPECT_GT(cycles, 20);
    EXPECT_GT(g_reports, cycles * 20);
    EXPECT_EQ(g_late_calls, 0);
    EXPECT_TRUE(WaitFor([&] { return sim.Query(L"workers_running") == 0; }));
    EXPECT_EQ(sim.Query(L"volumes_alive"), 0);
    EXPECT_EQ(sim.Query(L"callbacks_held"), 0);
}

}  // namespace
