// The analyse/defragment cycle over the selected drives and its schedule.
//
// The engine reports on its own thread; its progress callback asks the engine
// for the report there and leaves the answers for the frame tick
// (scene_progress.cpp), which runs the cycle here on the window's thread. So
// the cycle, the log, the status line and the volume handle have one thread
// only, and no lock is held across a bridge call.
#include <climits>
#include <ctime>
#include <cwchar>
#include <mutex>

#include "core/scene/engine_functions.h"
#include "core/scene/saver_scene.h"
#include "core/scene/text_format.h"

namespace {

constexpr int64_t kDefragIntervalSeconds = 1800;

std::wstring ProgressText(const wchar_t* action, const wchar_t* root_path, bool complete,
                          int64_t percent_done) {
  const std::wstring amount = complete ? std::wstring(L"100") : FormatDecimal(percent_done);
  return std::wstring(action) + root_path + L" (" + amount + L"%)";
}

}  // namespace

const wchar_t* SaverScene::CurrentRootPath() const {
  return drives->disks[static_cast<size_t>(current_drive)].root_path;
}

void SaverScene::UpdateSchedule() {
  if (destroyed) return;
  ++frame_tick_depth;
  RunSchedule();
  --frame_tick_depth;
  // Destroyed inside the tick: the teardown it left for the outermost tick's end, when no
  // close of the bridge is on the stack any more.
  if (destroyed && frame_tick_depth == 0) TearDown();
}

void SaverScene::RunSchedule() {
  now = CurrentTime();
  const CycleState state_before = cycle_state;
  ProgressReport report;
  if (TakeProgressReport(&report)) ApplyProgressReport(report);
  if (cycle_state != Idle) return;
  // A cycle that a report ended in this tick is followed up from the next one.
  if (state_before != Idle) return;
  if (IsPreview()) {
    StartDefragCycle();
    return;
  }
  const int64_t since = SecondsBetween(last_defrag, now);
  if (since >= kDefragIntervalSeconds) {
    StartDefragCycle();
    schedule_line.clear();
    return;
  }
  // A stored time far in the future must not overflow the seconds left.
  const int64_t left =
      since < kDefragIntervalSeconds - INT64_MAX ? INT64_MAX : kDefragIntervalSeconds - since;
  schedule_line = FormatCountdown(left);
}

void SaverScene::StartDefragCycle() {
  cycle_state = Analyzing;
  bar.percent = 0;
  current_drive = -1;
  for (size_t i = 0; i < drives->disks.size(); ++i) {
    if (drives->disks[i].selected == 0) continue;
    current_drive = static_cast<int>(i);
    if (OpenCurrentVolume()) break;
  }
  if (destroyed) return;
  if (current_drive == -1) {
    AddLogMessage(L"Select at least one disk to be defragmented by the screensaver.");
    return;
  }
  effects.ClearTrail(cells.cell_count);
  StartAnalyzing();
}

bool SaverScene::OpenCurrentVolume() {
  if (engine_loaded == 0 || current_drive == -1 || destroyed) return false;
  if (volume_handle != 0) {
    const int32_t closing = volume_handle;
    volume_handle = 0;
    PublishReportTarget(cycle_state);  // reports of the closing volume are not asked
    g_engine_functions.CloseVolumeHandle(closing);
    // The close may have served the window's destruction: open nothing more.
    if (destroyed) return false;
  }
  // The bridge hands this pointer to the engine: it points into the drive list,
  // which never moves once loaded.
  volume_handle =
      g_engine_functions.GetVolumeHandle(CurrentRootPath(), OnEngineProgress, OnEngineClusters, 1);
  if (volume_handle == 0) {
    AddLogMessage(std::wstring(L"Unable to create volume for defragmenting: ") + CurrentRootPath());
    return false;
  }
  if (g_engine_functions.OpenVolume(volume_handle) == 0) {
    AddLogMessage(L"You must have admin rights to defragment your drives.");
    g_engine_functions.CloseVolumeHandle(volume_handle);
    volume_handle = 0;
    return false;
  }
  cells.total_clusters = g_engine_functions.GetTotalClusters(volume_handle);
  PublishReportTarget(cycle_state);
  return true;
}

void SaverScene::ApplyDefragPriority() {
  if (g_engine_functions.GetDefragPriority(volume_handle) != defrag_priority)
    g_engine_functions.SetDefragPriority(volume_handle, defrag_priority);
}

void SaverScene::StartAnalyzing() {
  // A new step: the last step's entry is not its own, even when it adds none.
  progress_log_entry = 0;
  defrag_found_under_way = false;
  if (engine_loaded == 0 || volume_handle == 0) return;
  if (g_engine_functions.GetInAnalyze(volume_handle) != 0) return;
  ApplyDefragPriority();
  // Reports that come while the start call runs are already the analysis's.
  PublishReportTarget(Analyzing);
  if (g_engine_functions.StartAnalyze(volume_handle, nullptr, 1) == 0) {
    PublishReportTarget(cycle_state);
    AddLogMessage(std::wstring(L"Failed to start analyzing drive ") + CurrentRootPath());
    return;
  }
  bar.percent = 0;
  cycle_state = Analyzing;
  status_line.clear();
  progress_log_entry = AddLogMessage(std::wstring(L"Analyzing ") + CurrentRootPath());
}

void SaverScene::OnAnalyzeProgress(int64_t percent_done, bool complete) {
  bar.percent = complete ? 100 : static_cast<int>(percent_done);
  ReplaceNewestLogEntry(progress_log_entry,
                        ProgressText(L"Analyzing ", CurrentRootPath(), complete, percent_done));
  if (!complete) return;
  // Logged once: while a defragmentation found under way goes on, every report finds
  // the analysis complete again.
  if (!defrag_found_under_way) LogAnalysisResults();
  if (IsPreview())
    NextDrive();
  else
    StartDefragmenting();
}

void SaverScene::LogAnalysisResults() {
  AddLogMessage(L"Discovered " + FormatInt64Grouped(cells.total_clusters) + L" clusters");
  AddLogMessage(L"A total of " +
                FormatInt64Grouped(g_engine_functions.GetFragmentedFiles(volume_handle)) +
                L" files fragmented");
  AddLogMessage(L"Fragmentation level " +
                FormatInt(g_engine_functions.GetFragmentation(volume_handle)) + L"%");
}

void SaverScene::StartDefragmenting() {
  progress_log_entry = 0;
  if (engine_loaded == 0 || volume_handle == 0) return;
  defrag_found_under_way = g_engine_functions.GetInDefrag(volume_handle) != 0;
  if (defrag_found_under_way) return;
  ApplyDefragPriority();
  PublishReportTarget(Defragmenting);
  if (g_engine_functions.StartDefrag(volume_handle, defrag_mode, 0) == 0) {
    PublishReportTarget(cycle_state);
    AddLogMessage(std::wstring(L"Failed to start defragmenting drive ") + CurrentRootPath());
    return;
  }
  progress_log_entry = AddLogMessage(std::wstring(L"Defragmenting ") + CurrentRootPath());
  bar.percent = 0;
  cycle_state = Defragmenting;
}

void SaverScene::OnDefragProgress(int64_t percent_done, bool complete) {
  bar.percent = complete ? 100 : static_cast<int>(percent_done);
  ReplaceNewestLogEntry(progress_log_entry,
                        ProgressText(L"Defragmenting ", CurrentRootPath(), complete, percent_done));
  if (complete) NextDrive();
}

void SaverScene::NextDrive() {
  const size_t first = static_cast<size_t>(current_drive + 1);
  current_drive = -1;
  for (size_t i = first; i < drives->disks.size(); ++i) {
    if (drives->disks[i].selected == 0) continue;
    current_drive = static_cast<int>(i);
    if (OpenCurrentVolume()) break;
    current_drive = -1;
  }
  // Destroyed while the last volume closed: the cycle did not end, it was cut short.
  if (destroyed) return;
  if (current_drive != -1) {
    cells.FlashAllFree();
    StartAnalyzing();
    return;
  }
  cycle_state = Idle;
  PublishReportTarget(Idle);
  status_line = g_vendor_line;
  if (!IsPreview()) SaveLastDefrag();
  LogLastDefragTime();
  cycle_end_time = CurrentTime();
  effects.idle_position = -1;
}

void SaverScene::StopAnalyzing(bool return_to_idle) {
  if (engine_loaded == 0 || volume_handle == 0) return;
  if (g_engine_functions.GetInAnalyze(volume_handle) == 0) return;
  if (g_engine_functions.StopAnalyze(volume_handle) != 0 && return_to_idle) {
    cycle_state = Idle;
    PublishReportTarget(Idle);
  }
}

void SaverScene::StopDefragmenting(bool return_to_idle) {
  if (engine_loaded == 0 || volume_handle == 0) return;
  if (g_engine_functions.GetInDefrag(volume_handle) == 0) return;
  if (g_engine_functions.StopDefrag(volume_handle) != 0 && return_to_idle) {
    cycle_state = Idle;
    PublishReportTarget(Idle);
  }
}

void SaverScene::LogLastDefragTime() {
  const __time64_t stored = last_defrag;
  struct tm local = {};
  // A time the runtime cannot convert (negative, or beyond its calendar) gives no line.
  if (_localtime64_s(&local, &stored) != 0) return;
  wchar_t text[40];
  if (wcsftime(text, sizeof text / sizeof text[0], L"Defragmented on %d/%m/%Y at %I:%M %p",
               &local) == 0)
    return;
  AddLogMessage(text);
}
