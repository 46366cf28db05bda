// The scene's Create and Destroy on a real window under wine.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_probe.h"
#include "tests/support/test_support.h"

namespace {

// Windows refuses to delete a GDI object still selected into a DC (wine only
// defers it): while watching, each object deleted is looked for in these DCs.
HDC g_watched_dcs[4] = {};
int g_deleted_while_selected = 0;
BOOL(WINAPI* g_delete_object)(HGDIOBJ) = nullptr;

BOOL WINAPI DeleteObjectWatched(HGDIOBJ object) {
  for (HDC dc : g_watched_dcs)
    for (UINT type : {OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP})
      if (dc != nullptr && GetCurrentObject(dc, type) == object) ++g_deleted_while_selected;
  return g_delete_object(object);
}

// Points the program's imports of `function` at `replacement`; answers how many it changed.
int RedirectImports(const void* function, const void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  int changed = 0;
  for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       dll->Name != 0; ++dll)
    for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
         slot->u1.Function != 0; ++slot) {
      if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(function)) continue;
      DWORD protection = 0;
      VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(slot, sizeof(*slot), protection, &protection);
      ++changed;
    }
  return changed;
}

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

  // Nothing is deleted while a DC of the scene still holds it.
  const HGDIOBJ font = probe.font;
  g_delete_object = &DeleteObject;
  g_watched_dcs[0] = probe.window_dc, g_watched_dcs[1] = probe.back_dc;
  g_watched_dcs[2] = probe.glow_dc, g_watched_dcs[3] = probe.shine_dc;
  ASSERT_GT(RedirectImports(reinterpret_cast<const void*>(g_delete_object),
                            reinterpret_cast<const void*>(&DeleteObjectWatched)),
            0);
  EXPECT_TRUE(scene.Destroy());
  RedirectImports(reinterpret_cast<const void*>(&DeleteObjectWatched),
                  reinterpret_cast<const void*>(g_delete_object));
  EXPECT_EQ(0, g_deleted_while_selected);
  EXPECT_EQ(0u, GetObjectType(font));
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
