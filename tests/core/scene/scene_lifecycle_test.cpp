// The scene's Create and Destroy on a real window under wine.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_probe.h"
#include "tests/support/test_support.h"

namespace {

bool LogContains(const SaverScene& scene, const std::wstring& text) {
  SceneProbe probe(scene);
  return std::count(probe.log_lines, probe.log_lines + 5, text) +
             std::count(probe.pending_log.begin(), probe.pending_log.end(), text) >
         0;
}

TEST(SceneLifecycleTest, ConstructorEntersTheProgramSubdirectory) {
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  DiskList drives;
  SaverScene scene(&drives, true);
  SceneProbe probe{scene};
  wchar_t entered[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, entered);
  SetCurrentDirectoryW(before);
  EXPECT_EQ(0, _wcsicmp(ProgramSubdirectory().c_str(), entered)) << entered;
  EXPECT_EQ(&scene, g_scene);
  EXPECT_EQ(Idle, probe.cycle_state.load());
  EXPECT_NEAR(static_cast<double>(time(nullptr)), static_cast<double>(probe.cycle_end_time), 5);
  EXPECT_FALSE(scene.Destroy());  // nothing to release before Create
}

TEST(SceneLifecycleTest, CreateLaysOutAndPreparesEverything) {
  DiskList drives;
  SaverScene scene(&drives, false);
  SceneProbe probe{scene};
  HWND window = MakeTestWindow(1024, 768);
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(scene.Create(window, GetModuleHandleW(nullptr)));
  EXPECT_EQ(1.0, probe.scale);
  EXPECT_EQ(720, probe.cell_count);
  EXPECT_EQ(frame_timer_id, probe.frame_timer);
  for (int i = 0; i < probe.cell_count; ++i) {
    ASSERT_EQ(0, probe.cell_state[i] | probe.idle_trail[i] | probe.cell_glow[i]) << i;
  }
  EXPECT_EQ(std::wstring(g_vendor_line), probe.status_line);
  EXPECT_NE(nullptr, probe.back_dc);
  EXPECT_NE(nullptr, probe.font);
  // The test's own folder has no bridge library beside it.
  EXPECT_EQ(0, probe.engine_loaded);
  EXPECT_TRUE(LogContains(scene, kLoadFailureText));
  EXPECT_TRUE(probe.callbacks_enabled);

  // The frame timer really ticks at the window.
  MSG msg = {};
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(5)) {
    if (PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE) && msg.wParam == frame_timer_id)
      break;
  }
  EXPECT_EQ(frame_timer_id, msg.wParam);

  EXPECT_TRUE(scene.Destroy());
  EXPECT_FALSE(probe.callbacks_enabled);
  EXPECT_EQ(nullptr, probe.cell_state);
  EXPECT_FALSE(scene.Destroy());  // a second Destroy changes nothing
  DestroyWindow(window);

  // An empty client area fails cleanly.
  SaverScene empty_scene(&drives, false);
  SceneProbe empty_probe{empty_scene};
  window = MakeTestWindow(0, 0);
  EXPECT_FALSE(empty_scene.Create(window, GetModuleHandleW(nullptr)));
  EXPECT_EQ(0u, empty_probe.frame_timer);
  EXPECT_EQ(nullptr, empty_probe.cell_state);
  EXPECT_TRUE(empty_scene.Destroy());
  EXPECT_FALSE(empty_scene.Destroy());
  DestroyWindow(window);
}

}  // namespace
