// The worker's window run in this process as wWinMain runs it, with the program's own
// scene and power readings that wine can't give. A process makes one saver window, so each
// test runs in a process of its own.
#include <gtest/gtest.h>

#include <functional>

#include "core/scene/saver_scene.h"
#include "tests/support/test_support.h"
#include "tests/twsaverx/worker_test_support.h"
#include "twsaverx/worker_window.h"

namespace {

PowerReadings g_readings;
int64_t g_now = 100;  // long before the first defragmentation is due: no cycle runs
std::function<void(HWND)> g_while_running;

void CALLBACK RunTestStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_while_running(screen_saver.window);
}

// A timer of the message loop that ends a run that would otherwise never end.
void CALLBACK EndForgottenRun(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  ADD_FAILURE() << "the window was still running";
  DestroyWindow(screen_saver.window);
}

class WorkerWindowTest : public testing::Test {
 protected:
  WorkerWindowTest() {
    g_instance = GetModuleHandleW(nullptr);
    power_readings_source = [] { return g_readings; };
    screen_saver.clock = [] { return g_now; };
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

  SettingsSandbox sandbox_;
};

struct NotArmedCase {
  const char* name;
  SaverMode mode;
  PowerReadings readings;
};

void PrintTo(const NotArmedCase& c, std::ostream* out) { *out << c.name; }

class MonitorOffNotArmed : public WorkerWindowTest,
                           public testing::WithParamInterface<NotArmedCase> {};

TEST_P(MonitorOffNotArmed, NoMonitorOffTimer) {
  g_readings = GetParam().readings;
  EXPECT_EQ(Run(GetParam().mode,
                [](HWND window) {
                  EXPECT_FALSE(KillTimer(window, 1001));
                  DestroyWindow(window);
                }),
            0);
  EXPECT_EQ(monitor_off_armed, 0);
  EXPECT_TRUE(screen_saver.destroyed);
}

PowerReadings NotRunning() {
  PowerReadings readings = Readings(1, 600, 0, 300);
  readings.saver_running = FALSE;
  return readings;
}

INSTANTIATE_TEST_SUITE_P(
    Worker, MonitorOffNotArmed,
    testing::Values(NotArmedCase{"FullScreenWithoutARunningScreenSaver", FullScreenMode,
                                 NotRunning()},
                    NotArmedCase{"Preview", PreviewMode, Readings(1, 300, 0, 300)}),
    [](const testing::TestParamInfo<NotArmedCase>& info) { return std::string(info.param.name); });

// Display time-out 2 s after the screen saver's: timer 1001 checks once a second and, once
// the 2 s have passed, turns the monitors off and quits. The window is not destroyed, so
// the scene is not either; its engine callbacks must be off before the statics go.
TEST_F(WorkerWindowTest, MonitorOffQuitsWithoutDestroyingAndTurnsTheCallbacksOff) {
  g_readings = Readings(1, 302, 0, 300);
  HWND window = nullptr;
  const DWORD start = GetTickCount();
  EXPECT_EQ(Run(FullScreenMode,
                [&](HWND running) {
                  window = running;
                  EXPECT_TRUE(screen_saver.callbacks_enabled);
                  EXPECT_TRUE(KillTimer(running, 1001));
                  SetTimer(running, 1001, 1000, nullptr);
                  // Timer 1001 never runs a frame (which reads the clock); any other does.
                  SendMessageW(running, WM_TIMER, frame_timer_id, 0);
                  ASSERT_EQ(screen_saver.now, 100);
                  g_now = 200;
                  SendMessageW(running, WM_TIMER, 1001, 0);
                  EXPECT_EQ(screen_saver.now, 100);
                  SendMessageW(running, WM_TIMER, frame_timer_id, 0);
                  EXPECT_EQ(screen_saver.now, 200);
                }),
            0);
  EXPECT_GE(GetTickCount() - start, 1900u);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(screen_saver.destroyed);
  EXPECT_FALSE(screen_saver.callbacks_enabled);
}

}  // namespace
