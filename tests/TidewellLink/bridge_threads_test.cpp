// The engine reports from its own thread: host callbacks, closing while
// reports arrive, and a stress run of opening and closing under fast reports.

#include "tests/TidewellLink/bridge_library.h"
#include "tests/support/child_process.h"

#include <atomic>
#include <thread>

namespace {

enum Mode { AskOnly, SlowClusters, CloseFromProgress, SendFromProgress };
std::atomic<int> g_mode{AskOnly}, g_out_of_range{0}, g_calls{0}, g_late_calls{0};
BridgeLibrary* g_bridge = nullptr;
std::atomic<int32_t> g_handle{0};
std::atomic<DWORD> g_cluster_thread{0};
std::atomic<int64_t> g_total_clusters{0}, g_last_percent{-100};
std::atomic<bool> g_saw_defrag_file{false}, g_open{false}, g_entered{false}, g_done{false};

// Counts every call; a call while no handle is open is late. The first call
// of a special mode does its thing once.
bool CountCall(Mode special) {
  ++g_calls;
  if (!g_open) ++g_late_calls;
  return g_mode == special && !g_entered.exchange(true);
}

// A window of the closing thread, to which a host's callback sends a message.
HWND g_host_window = nullptr;
std::atomic<bool> g_send_answered{false};

// Hosts call back into the library from inside the callback.
void Progress() {
  const bool sending = g_mode == SendFromProgress;
  const bool first_special = CountCall(sending ? SendFromProgress : CloseFromProgress);
  if (first_special && sending) {
    // Bounded, so that a close that does not serve the message fails rather than hangs.
    DWORD_PTR answer = 0;
    g_send_answered =
        SendMessageTimeoutW(g_host_window, WM_APP, 0, 0, SMTO_NORMAL, 5000, &answer) != 0 &&
        answer == 42;
    g_done = true;
  }
  if (first_special && !sending) {
    g_bridge->CloseVolumeHandle(g_handle);  // must not wait for itself
    g_open = false;
    g_done = true;
  }
  g_last_percent = g_bridge->GetPercentDone(g_handle);
  const wchar_t* file = g_bridge->GetCurrentFile(g_handle);
  if (file && file[0] && g_bridge->GetInDefrag(g_handle)) g_saw_defrag_file = true;
}

void __stdcall Clusters(int64_t first, int64_t last, int32_t state) {
  g_cluster_thread = GetCurrentThreadId();
  if (first < 0 || last >= g_total_clusters || first > last || state < 0 || state > 5)
    ++g_out_of_range;
  if (CountCall(SlowClusters)) {
    Sleep(300);
    g_done = true;
  }
}

class BridgeRunTest : public BridgeTest {
 protected:
  int32_t OpenReporting(Mode mode = AskOnly) {
    g_bridge = &bridge;
    g_mode = mode;
    // A special mode acts once per test, also when one process runs every test.
    g_entered = false;
    g_done = false;
    g_send_answered = false;
    g_open = true;
    g_handle = Open(L"C:\\", Progress, Clusters);
    g_total_clusters = bridge.GetTotalClusters(g_handle);
    return g_handle;
  }
  bool Analyze(int32_t handle) {
    return bridge.StartAnalyze(handle, nullptr, 1) == 1 &&
           WaitFor([&] { return bridge.GetAnalyzeComplete(handle) != 0; });
  }
  // After the last close: no host call came late, the engine gave every reference back.
  void ExpectAllReleased() {
    EXPECT_EQ(g_late_calls, 0);
    EXPECT_TRUE(WaitFor([&] { return sim.Query(L"workers_running") == 0; }));
    EXPECT_EQ(sim.Query(L"volumes_alive"), 0);
    EXPECT_EQ(sim.Query(L"callbacks_held"), 0);
  }
};

TEST_F(BridgeRunTest, AnalysisAndDefragmentationReportFromTheEnginesThread) {
  int32_t handle = OpenReporting();
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

  // Closed from inside its own callback: no deadlock, no later call.
  g_mode = CloseFromProgress;
  EXPECT_EQ(bridge.StartAnalyze(handle, nullptr, 1), 1);
  ASSERT_TRUE(WaitFor([] { return g_done.load(); }));
  EXPECT_EQ(bridge.GetTotalClusters(handle), 0);
  ExpectAllReleased();
}

TEST_F(BridgeRunTest, CloseWaitsForTheCallbackInProgressAndStopsAllLaterOnes) {
  int32_t handle = OpenReporting(SlowClusters);
  EXPECT_EQ(bridge.StartAnalyze(handle, nullptr, 1), 1);
  ASSERT_TRUE(WaitFor([] { return g_entered.load(); }));
  bridge.CloseVolumeHandle(handle);
  g_open = false;
  EXPECT_TRUE(g_done);
  Sleep(100);
  ExpectAllReleased();
}

LRESULT CALLBACK AnswerApp(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return message == WM_APP ? 42 : DefWindowProcW(window, message, wparam, lparam);
}

// The host's callback waits for its window's thread while that thread closes the handle:
// the close must serve the sent message while it waits for the callback to end.
TEST_F(BridgeRunTest, CloseServesMessagesSentFromTheCallbackItWaitsFor) {
  // Earlier tests of the same process leave engine threads behind that it must not meet.
  if (!RunsAloneOrDelegates("BridgeRunTest.CloseServesMessagesSentFromTheCallbackItWaitsFor"))
    return;
  g_host_window = MakeTestWindow(10, 10);
  SetWindowLongPtrW(g_host_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerApp));
  int32_t handle = OpenReporting(SendFromProgress);
  EXPECT_EQ(bridge.StartAnalyze(handle, nullptr, 1), 1);
  // Waits without serving messages: the callback's send stays pending until the close.
  for (int i = 0; i < 1000 && !g_entered; ++i) Sleep(10);
  ASSERT_TRUE(g_entered);
  bridge.CloseVolumeHandle(handle);
  g_open = false;
  EXPECT_TRUE(g_done);
  EXPECT_TRUE(g_send_answered);
  ExpectAllReleased();
  DestroyWindow(g_host_window);
}

// One thread opens and closes handles while the engine reports as fast as it
// can and another thread calls exports on whatever handle is current. More than
// 20 cycles in 4 s: a close that sat out a fixed wait of 200 ms or more per cycle
// would fall short. The window stretches with the time scale, as every wait does.
TEST_F(BridgeRunTest, StressOpenAndCloseWhileTheEngineReportsFast) {
  ASSERT_TRUE(sim.Set(L"TW_SIM_REPORT_MS=0"));
  ASSERT_TRUE(sim.Set(L"TW_SIM_ANALYZE_MS=100000"));
  std::atomic<bool> running{true};
  std::thread reader([&] {
    while (running) {
      int32_t handle = g_handle;
      bridge.GetPercentDone(handle);
      bridge.GetDriveName(handle);
      bridge.GetExclusionList(handle);
    }
  });
  int cycles = 0;
  const DWORD window_ms = 4000 * TestTimeScale();
  for (DWORD start = GetTickCount(); GetTickCount() - start < window_ms; ++cycles) {
    ASSERT_NE(OpenReporting(), 0);
    ASSERT_EQ(bridge.StartAnalyze(g_handle, nullptr, 1), 1);
    int64_t seen = g_calls;
    WaitFor([&] { return g_calls > seen + 20; }, 1000);
    bridge.CloseVolumeHandle(g_handle);
    g_open = false;
  }
  running = false;
  reader.join();
  EXPECT_GT(cycles, 20);
  EXPECT_GT(g_calls, cycles * 20);
  ExpectAllReleased();
}

}  // namespace
