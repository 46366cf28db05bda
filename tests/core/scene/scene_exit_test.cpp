// The worker's exit after turning the monitors off: its loop ends with the volume still
// open and the engine reporting, and the process destroys the scene among its static
// objects. The scene lives in pages of its own here, so that the test can take its
// memory away once it is gone and count every report that still reaches it.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

#include "core/scene/engine_functions.h"
#include "sim_engine/sim_control.h"
#include "tests/core/scene/scene_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/test_support.h"

namespace {

uintptr_t g_pages_begin = 0;
uintptr_t g_pages_end = 0;
std::atomic<int> g_faults_in_pages{0};

// Counts access violations inside the scene's pages; the bridge's guard still ends the
// report that faulted.
LONG CALLBACK CountFaultsInPages(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2) {
    const uintptr_t address = record->ExceptionInformation[1];
    if (address >= g_pages_begin && address < g_pages_end) ++g_faults_in_pages;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

TEST(SceneExit, WaitsForTheReportInTheSceneAndNoLaterReportReachesIt) {
  // It leaves the engine's settings, a handler and inaccessible pages behind.
  if (!RunsAloneOrDelegates("SceneExit.*")) return;
  DeleteSceneSettings();
  // One long analysis, reported without pause the whole test long.
  SetEnvironmentVariableW(L"TW_SIM_SPEED", L"fast");
  SetEnvironmentVariableW(L"TW_SIM_ANALYZE_MS", L"600000");
  SetEnvironmentVariableW(L"TW_SIM_REPORT_MS", L"0");
  ASSERT_TRUE(SetCurrentDirectoryW(ProgramSubdirectory().c_str()));

  DiskList drives;
  AddDrive(&drives, L"C:\\", true);
  const size_t size = sizeof(SaverScene);
  void* pages = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(nullptr, pages);
  SaverScene* scene = new (pages) SaverScene(&drives, false);
  SceneProbe probe{*scene};
  HWND window = MakeTestWindow(640, 480);
  ASSERT_TRUE(scene->Create(window, GetModuleHandleW(nullptr)));
  ASSERT_EQ(1, probe.engine_loaded);
  scene->UpdateSchedule();
  ASSERT_EQ(Analyzing, probe.cycle_state.load());
  const int32_t handle = probe.volume_handle;
  auto query = reinterpret_cast<TwSimQueryProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"Tidewell.dll"), "TwSimQuery")));
  ASSERT_NE(nullptr, query);
  auto reports = [query] { return query(L"reports"); };
  ASSERT_TRUE(PumpMessagesUntil([&] { return reports() > 1000; }, 20000));

  // A cluster report gets into the scene and waits there for the cell lock: the engine
  // stops reporting (a report that merely pauses would not stay quiet for a second).
  probe.cell_lock.lock();
  int64_t last = reports();
  DWORD quiet_since = GetTickCount();
  ASSERT_TRUE(PumpMessagesUntil(
      [&] {
        const int64_t now = reports();
        if (now != last) last = now, quiet_since = GetTickCount();
        return GetTickCount() - quiet_since >= 1000 * TestTimeScale();
      },
      30000));

  // The quit: callbacks off as the worker's loop ends, then the static destructor.
  probe.callbacks_enabled = false;
  std::atomic<bool> gone{false};
  std::thread teardown([&] {
    scene->~SaverScene();
    gone = true;
  });
  Sleep(500 * TestTimeScale());
  EXPECT_FALSE(gone.load()) << "the scene went while a report was in it";
  probe.cell_lock.unlock();
  teardown.join();
  EXPECT_EQ(nullptr, g_scene);

  // The scene's memory is gone now; the engine reports on.
  g_pages_begin = reinterpret_cast<uintptr_t>(pages);
  g_pages_end = g_pages_begin + size;
  PVOID handler = AddVectoredExceptionHandler(1, CountFaultsInPages);
  DWORD old_protection = 0;
  ASSERT_TRUE(VirtualProtect(pages, size, PAGE_NOACCESS, &old_protection));
  const int64_t at_exit = reports();
  EXPECT_TRUE(PumpMessagesUntil([&] { return reports() > at_exit + 1000; }, 20000));
  EXPECT_EQ(0, g_faults_in_pages.load()) << "reports reached the destroyed scene";

  RemoveVectoredExceptionHandler(handler);
  // A report left waiting on the destroyed scene's lock would keep the close waiting.
  if (HasFailure()) return;
  g_engine_functions.CloseVolumeHandle(handle);
  UnbindEngineLibrary();
  DestroyWindow(window);
}

}  // namespace
