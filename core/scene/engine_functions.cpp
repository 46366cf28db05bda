#include "core/scene/engine_functions.h"

#include "TidewellLink/fault_guard.h"
#include "core/scene/saver_scene.h"

EngineFunctionTable g_engine_functions;
HMODULE g_engine_module = nullptr;

namespace {

const wchar_t kEngineLibraryName[] = L"TidewellLink.dll";

// Held shared by each report for as long as it uses the scene, and exclusively by a
// scene that detaches itself, which so waits for a report in progress. A plain SRW lock
// is never destroyed: it still serves reports that arrive while the process ends.
// A report must therefore never wait for the window's thread.
//
// While a detach waits for the lock, new shared requests queue behind it. What still
// runs meanwhile: the reports already holding it, with the engine calls they make, and
// the reports the engine makes from inside those calls on the same thread, which run
// under the outer report's hold. Reports on other threads wait and then find no scene.
// The detaching thread serves no messages while it waits.
SRWLOCK report_lock = SRWLOCK_INIT;

// How many reports this thread is inside. A report the engine makes from inside one
// of the thread's own must not ask for the lock again: behind a waiting detach that
// request would wait for the outer report, which waits for it.
thread_local int t_report_depth = 0;

// One report's hold on the lock (the outermost report of a thread takes it);
// scene() is the scene it may change, if any.
class SceneReport {
 public:
  SceneReport() {
    if (t_report_depth++ == 0) AcquireSRWLockShared(&report_lock);
  }
  ~SceneReport() {
    if (--t_report_depth == 0) ReleaseSRWLockShared(&report_lock);
  }
  SceneReport(const SceneReport&) = delete;
  SceneReport& operator=(const SceneReport&) = delete;

  SaverScene* scene() const {
    SaverScene* target = g_scene;
    return target != nullptr && target->EngineReportsEnabled() ? target : nullptr;
  }
};

// Runs one report in the scene, if there is one to run it in. Whatever ends the report
// early, a C++ exception or a processor fault, ends it here inside the hold: the hold is
// given back, nothing reaches the engine (on i686 a C++ exception cannot even cross into
// the bridge), and the report counts as not made.
template <class Report>
void RunSceneReport(Report&& report) {
  const SceneReport hold;
  SaverScene* scene = hold.scene();
  if (scene == nullptr) return;
  RunGuarded([&] { report(scene); });
}

// Bind order and the names come from the same list as the table's slots.
struct SlotBinding {
  const char* name;
  void (*assign)(FARPROC address);
};

#define TW_ENGINE_BINDING(name, ordinal, result, params, args, fallback)                       \
  {#name, [](FARPROC address) {                                                                \
     g_engine_functions.name = reinterpret_cast<name##Proc>(reinterpret_cast<void*>(address)); \
   }},
const SlotBinding kSlotBindings[] = {TW_LINK_HOST_SLOTS(TW_ENGINE_BINDING)};
#undef TW_ENGINE_BINDING

static_assert(sizeof kSlotBindings / sizeof kSlotBindings[0] == TW_LINK_EXPORT_COUNT,
              "one binding per export");

}  // namespace

int BindEngineLibraryFrom(const wchar_t* library_path) {
  UnbindEngineLibrary();
  g_engine_module = LoadLibraryW(library_path);
  if (g_engine_module == nullptr) return 0;
  for (const SlotBinding& slot : kSlotBindings) {
    const FARPROC address = GetProcAddress(g_engine_module, slot.name);
    if (address == nullptr) {
      // All or nothing: a library without every export is not used at all.
      UnbindEngineLibrary();
      return 0;
    }
    slot.assign(address);
  }
  return 1;
}

int BindEngineLibrary() {
  // Bare name: the program subdirectory made current at start-up is searched.
  return BindEngineLibraryFrom(kEngineLibraryName);
}

void UnbindEngineLibrary() {
  if (g_engine_module != nullptr) {
    FreeLibrary(g_engine_module);
    g_engine_module = nullptr;
  }
  g_engine_functions = EngineFunctionTable{};
}

void OnEngineProgress() {
  RunSceneReport([](SaverScene* scene) { scene->QueryProgressReport(); });
}

void __stdcall OnEngineClusters(int64_t first_cluster, int64_t last_cluster, int32_t state) {
  RunSceneReport([=](SaverScene* scene) {
    scene->MarkClusterRange(first_cluster, last_cluster, state);
  });
}

void DetachSceneFromEngineReports(SaverScene* scene) {
  AcquireSRWLockExclusive(&report_lock);
  scene->StopEngineReports();
  if (g_scene == scene) g_scene = nullptr;
  ReleaseSRWLockExclusive(&report_lock);
}
