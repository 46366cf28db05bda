// The worker's window run in this process as wWinMain runs it, with the program's own
// scene and power readings that wine can't give. A process makes one saver window, so each
// test runs in a process of its own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_probe.h"
#include "tests/support/child_process.h"
#include "tests/support/test_support.h"
#include "tests/twsaverx/worker_test_support.h"
#include "twsaverx/worker_window.h"

namespace {

PowerReadings g_readings;
int64_t g_now = 100;  // long before the next defragmentation is due: no cycle runs
std::function<void(HWND)> g_while_running;
std::vector<std::wstring> g_countdowns;  // the countdown texts the frames measured

void CALLBACK RunTestStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_while_running(SceneProbe(screen_saver).window);
}

// A timer of the message loop that ends a run that would otherwise never end.
void CALLBACK EndForgottenRun(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  ADD_FAILURE() << "the window was still running";
  DestroyWindow(SceneProbe(screen_saver).window);
}

class WorkerWindowTest : public testing::Test {
 protected:
  WorkerWindowTest() {
    g_instance = GetModuleHandleW(nullptr);
    power_readings_source = [] { return g_readings; };
    SceneProbe(screen_saver).clock = [] { return g_now; };
    SceneProbe(screen_saver).measure_text = [](const wchar_t* text, int length) {
      const std::wstring measured(text, length);
      if (measured.rfind(L"Time until", 0) == 0) g_countdowns.push_back(measured);
      return length * 8;
    };
    SetText(HKEY_CURRENT_USER, L"LastDefrag", L"100");
  }

  // False where the test is left to a process of its own (see RunsAloneOrDelegates).
  static bool RunsAlone() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    return RunsAloneOrDelegates(
        (std::string(test->test_suite_name()) + "." + test->name()).c_str());
  }

  // Runs the window in `mode`; `while_running` runs once from its message loop, 300 ms in.
  int Run(SaverMode mode, std::function<void(HWND)> while_running) {
    saver_mode = mode;
    is_preview = mode == PreviewMode ? 1 : 0;
    g_parent_window = mode == PreviewMode ? MakeTestWindow(320, 240) : nullptr;
    g_while_running = std::move(while_running);
    SetTimer(nullptr, 0, 300, RunTestStep);
    const UINT_PTR guard = SetTimer(nullptr, 0, 15000, EndForgottenRun);
    const int result = RunSaverWindow();
    KillTimer(nullptr, guard);
    return result;
  }

  // Runs the window in `mode` with these readings: no monitor-off timer is set.
  void ExpectNoMonitorOffTimer(SaverMode mode, PowerReadings readings) {
    if (!RunsAlone()) return;
    g_readings = readings;
    EXPECT_EQ(Run(mode,
                  [](HWND window) {
                    EXPECT_FALSE(KillTimer(window, 1001));
                    DestroyWindow(window);
                  }),
              0);
    EXPECT_EQ(monitor_off_armed, 0);
    EXPECT_TRUE(SceneProbe(screen_saver).destroyed);
  }

  SettingsSandbox sandbox_;
};

TEST_F(WorkerWindowTest, FullScreenWithoutARunningScreenSaverHasNoMonitorOffTimer) {
  PowerReadings not_running = Readings(1, 600, 0, 300);
  not_running.saver_running = FALSE;
  ExpectNoMonitorOffTimer(FullScreenMode, not_running);
}

TEST_F(WorkerWindowTest, PreviewHasNoMonitorOffTimer) {
  ExpectNoMonitorOffTimer(PreviewMode, Readings(1, 300, 0, 300));
}

// Display time-out 2 s after the screen saver's: timer 1001 checks once a second and, once
// the 2 s have passed, turns the monitors off and quits. The window is not destroyed, so
// the scene is not either; its engine callbacks must be off before the statics go.
// Any other timer is a frame: the schedule is brought up to the clock before the frame
// paints its countdown (the last defragmentation ended at 100, the next is 1800 s later).
TEST_F(WorkerWindowTest, MonitorOffQuitsWithoutDestroyingAndTurnsTheCallbacksOff) {
  if (!RunsAlone()) return;
  g_readings = Readings(1, 302, 0, 300);
  HWND window = nullptr;
  const DWORD start = GetTickCount();
  EXPECT_EQ(Run(FullScreenMode,
                [&](HWND running) {
                  window = running;
                  EXPECT_TRUE(SceneProbe(screen_saver).callbacks_enabled);
                  EXPECT_TRUE(KillTimer(running, 1001));
                  SetTimer(running, 1001, 1000, nullptr);
                  const struct {
                    UINT_PTR timer_id;
                    int64_t now;
                    std::vector<std::wstring> countdowns;
                  } ticks[] = {
                      {frame_timer_id, 101, {L"Time until next defragmentation 00:29:59"}},
                      {1001, 200, {}},
                      {frame_timer_id, 263, {L"Time until next defragmentation 00:27:17"}},
                  };
                  for (const auto& tick : ticks) {
                    SCOPED_TRACE(testing::Message() << "timer " << tick.timer_id);
                    g_now = tick.now;
                    g_countdowns.clear();
                    SendMessageW(running, WM_TIMER, tick.timer_id, 0);
                    EXPECT_EQ(g_countdowns, tick.countdowns);
                  }
                }),
            0);
  EXPECT_GE(GetTickCount() - start, 1900u);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(SceneProbe(screen_saver).destroyed);
  EXPECT_FALSE(SceneProbe(screen_saver).callbacks_enabled);
}

}  // namespace
