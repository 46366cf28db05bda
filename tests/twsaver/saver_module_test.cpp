// The screen-saver module's procedure in this process, behind the framework's full-screen
// window, with the program's own scene: every timer message brings the schedule up to date
// before the frame is painted.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_probe.h"
#include "saver_framework/saver_window.h"
#include "saver_framework/screen_saver_framework.h"
#include "tests/support/settings_values.h"

namespace {

int64_t g_now = 1000;
std::vector<std::wstring> g_countdowns;  // the countdown texts the frames measured

void CALLBACK SendTimers(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  // The last defragmentation ended at 1000: each clock reading leaves that much less of
  // the 1800 s. A frame painted before its schedule update would show the previous text.
  const struct {
    UINT_PTR timer_id;
    int64_t now;
    const wchar_t* countdown;
  } cases[] = {
      {1, 1001, L"Time until next defragmentation 00:29:59"},
      {7, 1002, L"Time until next defragmentation 00:29:58"},
      {1001, 1063, L"Time until next defragmentation 00:28:57"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "timer " << c.timer_id);
    g_now = c.now;
    g_countdowns.clear();
    SendMessageW(SceneProbe(screen_saver).window, WM_TIMER, c.timer_id, 0);
    EXPECT_EQ(g_countdowns, std::vector<std::wstring>{c.countdown});
  }
  PostMessageW(SceneProbe(screen_saver).window, WM_CLOSE, 0, 0);
}

TEST(SaverModule, EachTimerMessageUpdatesTheScheduleThenPaints) {
  SettingsSandbox sandbox;
  SetText(HKEY_CURRENT_USER, L"LastDefrag", L"1000");
  hMainInstance = GetModuleHandleW(nullptr);
  SceneProbe(screen_saver).clock = [] { return g_now; };
  SceneProbe(screen_saver).measure_text = [](const wchar_t* text, int length) {
    const std::wstring measured(text, length);
    if (measured.rfind(L"Time until", 0) == 0) g_countdowns.push_back(measured);
    return length * 8;
  };
  SetTimer(nullptr, 0, 300, SendTimers);
  EXPECT_EQ(RunSaverWindow(nullptr), 0);
  EXPECT_TRUE(SceneProbe(screen_saver).destroyed);
}

}  // namespace
