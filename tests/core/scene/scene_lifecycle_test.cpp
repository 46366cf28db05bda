// The scene's Create and Destroy on a real window under wine.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/scene/saver_scene.h"
#include "tests/support/test_support.h"

namespace {

bool LogContains(const SaverScene& scene, const std::wstring& text) {
  return std::count(scene.log_lines, scene.log_lines + 5, text) +
             std::count(scene.pending_log.begin(), scene.pending_log.end(), text) >
         0;
}

TEST(SceneLifecycleTest, ConstructorEntersTheProgramSubdirectory) {
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  DiskList drives;
  SaverScene scene(&drives, true);
  wchar_t entered[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, entered);
  SetCurrentDirectoryW(before);
  EXPECT_EQ(0, _wcsicmp(ProgramSubdirectory().c_str(), entered)) << entered;
  EXPECT_EQ(&scene, g_scene);
  EXPECT_EQ(Idle, scene.cycle_state.load());
  EXPECT_NEAR(static_cast<double>(time(nullptr)), static_cast<double>(scene.cycle_end_time), 5);
  EXPECT_FALSE(scene.Destroy());  // nothing to release before Create
}

TEST(SceneLifecycleTest, CreateLaysOutAndPreparesEverything) {
  DiskList drives;
  SaverScene scene(&drives, false);
  HWND window = MakeTestWindow(1024, 768);
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(scene.Create(window, GetModuleHandleW(nullptr)));
  EXPECT_EQ(1.0, scene.scale);
  EXPECT_EQ(720, scene.cell_count);
  EXPECT_EQ(frame_timer_id, scene.frame_timer);
  for (int i = 0; i < scene.cell_count; ++i) {
    ASSERT_EQ(0, scene.cell_state[i] | scene.idle_trail[i] | scene.cell_glow[i]) << i;
  }
  EXPECT_EQ(std::wstring(g_vendor_line), scene.status_line);
  EXPECT_NE(nullptr, scene.back_dc);
  EXPECT_NE(nullptr, scene.font);
  for (HPEN pen : scene.cell_pens) EXPECT_NE(nullptr, pen);
  EXPECT_EQ(6u, scene.glow_bitmaps.size());
  // The test's own folder has no bridge library beside it.
  EXPECT_EQ(0, scene.engine_loaded);
  EXPECT_TRUE(LogContains(scene, kLoadFailureText));
  EXPECT_TRUE(scene.callbacks_enabled);

  // The frame timer really ticks at the window.
  MSG msg = {};
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(5)) {
    if (PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE) && msg.wParam == frame_timer_id)
      break;
  }
  EXPECT_EQ(frame_timer_id, msg.wParam);

  EXPECT_TRUE(scene.Destroy());
  EXPECT_FALSE(scene.callbacks_enabled);
  EXPECT_EQ(nullptr, scene.cell_state);
  EXPECT_FALSE(scene.Destroy());  // a second Destroy changes nothing
  DestroyWindow(window);

  // An empty client area fails cleanly.
  SaverScene empty_scene(&drives, false);
  window = MakeTestWindow(0, 0);
  EXPECT_FALSE(empty_scene.Create(window, GetModuleHandleW(nullptr)));
  EXPECT_EQ(0u, empty_scene.frame_timer);
  EXPECT_EQ(nullptr, empty_scene.cell_state);
  EXPECT_TRUE(empty_scene.Destroy());
  EXPECT_FALSE(empty_scene.Destroy());
  DestroyWindow(window);
}

}  // namespace
