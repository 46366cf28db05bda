#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <vector>

#include "core/scene/engine_functions.h"
#include "core/scene/saver_scene.h"

SaverScene* g_scene = nullptr;

const wchar_t* const g_vendor_line = L"See us at www.orbenlake.com";
const wchar_t kProgramSubdirectory[] = L"Orbenlake Tidewell ScreenSaver";
const wchar_t kLoadFailureText[] = L"Could not load Tidewell.dll library.";

const COLORREF cluster_colors_arr[kClusterStateCount] = {0x656965, 0x008B22, 0x8C0084,
                                                         0x00008C, 0xA72D00, 0x2DA5A8};

namespace {

// The bridge and the engine are loaded by bare name from the program's subdirectory.
void EnterProgramDirectory() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) break;
    if (path.size() >= 32768) return;
    path.resize(path.size() * 2);
  }
  std::wstring directory(path.data());
  size_t slash = directory.find_last_of(L'\\');
  directory.resize(slash == std::wstring::npos ? 0 : slash);
  directory += L'\\';
  directory += kProgramSubdirectory;
  SetCurrentDirectoryW(directory.c_str());
}

int64_t SystemClock() { return static_cast<int64_t>(time(nullptr)); }

}  // namespace

SaverScene::SaverScene(DiskList* drive_list, bool enter_program_directory) {
  if (enter_program_directory) EnterProgramDirectory();
  drives = drive_list;
  cycle_end_time = CurrentTime();
  g_scene = this;
}

SaverScene::~SaverScene() {
  DetachSceneFromEngineReports(this);
  // The worker's exit after turning the monitors off leaves no tick and no Destroy: no
  // report can arrive any more, so what the last one left is final, as in the teardown.
  if (window != nullptr && !destroyed && engine_loaded != 0) RecordArrivedCompletion();
}

int64_t SaverScene::CurrentTime() const { return clock != nullptr ? clock() : SystemClock(); }

bool SaverScene::Create(HWND window_handle, HINSTANCE module_instance) {
  window = window_handle;
  instance = module_instance;
  if (!GetClientRect(window, &client_rect)) return false;
  if (!ComputeSceneLayout(client_rect.right, client_rect.bottom, &layout)) return false;
  cells.Allocate(layout.cell_count);
  effects.AllocateTrail(layout.cell_count);
  log.SetLineHeight(layout.line_height);

  resources.Create(window, layout);
  InitLegend();
  BuildGlowBitmaps();
  resources.PreparePlainCellPictures(layout);
  resources.PrepareGridTiles(layout);
  LoadShineBitmap();

  engine_loaded = BindEngineLibrary();
  if (engine_loaded == 0) AddLogMessage(kLoadFailureText);
  LoadSettings();
  status_line = g_vendor_line;
  srand(static_cast<unsigned>(time(nullptr)));
  callbacks_enabled = true;
  frame_timer = SetTimer(window, frame_timer_id, frame_period_ms, nullptr);
  return frame_timer != 0;
}

bool SaverScene::Destroy() {
  if (window == nullptr || destroyed) return false;
  destroyed = true;
  // From here the engine's reports change nothing.
  callbacks_enabled = false;
  if (frame_timer != 0) KillTimer(window, frame_timer);
  // Now, while the window exists: its DC (one of the class's shared ones) must let go of
  // the font before the font can be deleted. A destroyed scene draws nothing.
  resources.Release();
  // Inside the tick (a message sent while it closed a volume) the bridge's close is
  // still on the stack: unbinding the bridge or freeing the cells now would pull them
  // from under it.
  if (frame_tick_depth == 0) TearDown();
  return true;
}

void SaverScene::TearDown() {
  if (engine_loaded != 0) {
    // The bridge returns from the close only when no report of this handle runs any
    // more, so what the last one left in the slot is final.
    if (volume_handle != 0 && g_engine_functions.CloseVolumeHandle != nullptr)
      g_engine_functions.CloseVolumeHandle(volume_handle);
    RecordArrivedCompletion();
    volume_handle = 0;
    PublishReportTarget(Idle);  // no report is asked any more
    UnbindEngineLibrary();
  }
  cells.Release();
  effects.ReleaseTrail();
}

bool SaverScene::IsLastSelectedDrive(int drive) const {
  if (drive < 0) return false;
  for (size_t i = static_cast<size_t>(drive) + 1; i < drives->disks.size(); ++i)
    if (drives->disks[i].selected != 0) return false;
  return true;
}

void SaverScene::RecordArrivedCompletion() {
  // The next tick would have ended the cycle with it; without one it would be lost and
  // the next start would run the whole cycle again at once.
  ProgressReport report;
  if (!TakeProgressReport(&report)) return;
  if (!report.complete || report.phase != Defragmenting || cycle_state.load() != Defragmenting)
    return;
  if (volume_handle == 0 || !IsLastSelectedDrive(current_drive) || IsPreview()) return;
  SaveLastDefrag();
}

void SaverScene::BuildGlowBitmaps() {
  cells.ClearGlow();
  resources.BuildGlowBitmaps(layout);
}

void SaverScene::LoadShineBitmap() { resources.LoadShineBitmap(instance, layout); }
