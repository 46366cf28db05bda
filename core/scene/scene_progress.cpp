// The engine's progress reports: asked on the engine's thread, applied by the
// frame tick on the window's thread.
//
// The engine calls OnEngineProgress on a thread of its own. There the scene
// asks the engine for the percentage and, by the step that runs, whether it is
// complete and which file it works on, so the window's thread never waits on
// an engine that answers slowly. The answers wait in one slot for the next
// tick, which writes the log, the status line and the progress bar and runs
// the cycle's next steps. Every change of the open volume or of the step
// publishes a new target; a report asked about an older one is dropped, so no
// report is ever applied to another drive than the one it came from.
#include "core/scene/engine_functions.h"
#include "core/scene/saver_scene.h"

void SaverScene::PublishReportTarget(CycleState phase) {
  std::lock_guard<std::mutex> guard(report_lock);
  report_target.volume_handle = volume_handle;
  report_target.phase = phase;
  ++report_target.generation;
  report_waiting = false;  // asked about the target that ends here
}

void SaverScene::QueryProgressReport() {
  ReportTarget target;
  {
    std::lock_guard<std::mutex> guard(report_lock);
    target = report_target;
  }
  if (target.volume_handle == 0) return;
  ProgressReport report;
  report.generation = target.generation;
  report.phase = target.phase;
  report.percent_done = g_engine_functions.GetPercentDone(target.volume_handle);
  if (target.phase == Analyzing) {
    report.complete = g_engine_functions.GetAnalyzeComplete(target.volume_handle) != 0;
  } else if (target.phase == Defragmenting) {
    const wchar_t* name = g_engine_functions.GetCurrentFile(target.volume_handle);
    if (name != nullptr) report.current_file = name;  // no file reads as an empty name
    report.complete = g_engine_functions.GetDefragComplete(target.volume_handle) != 0;
  } else {
    return;  // no step runs: nothing to show
  }
  std::lock_guard<std::mutex> guard(report_lock);
  if (report.generation != report_target.generation) return;
  // The newest report wins, except that a step's completion is never overwritten
  // by a report asked before it and delivered after it.
  if (report_waiting && waiting_report.complete && !report.complete) return;
  waiting_report = std::move(report);
  report_waiting = true;
}

bool SaverScene::TakeProgressReport(ProgressReport* report) {
  std::lock_guard<std::mutex> guard(report_lock);
  // A waiting report is always about the current target: publishing drops it.
  if (!report_waiting) return false;
  report_waiting = false;
  *report = std::move(waiting_report);
  return true;
}

void SaverScene::ApplyProgressReport(const ProgressReport& report) {
  // A report that finds no open volume of a listed drive has nothing to update.
  if (engine_loaded == 0 || volume_handle == 0 || current_drive < 0 ||
      static_cast<size_t>(current_drive) >= drives->disks.size())
    return;
  if (report.phase != cycle_state.load()) return;
  if (report.phase == Analyzing) {
    OnAnalyzeProgress(report.percent_done, report.complete);
  } else if (report.phase == Defragmenting) {
    if (!fitted_file_valid || report.current_file != fitted_file) {
      fitted_line = FitPathToWidth(report.current_file);
      fitted_file = report.current_file;
      fitted_file_valid = true;
    }
    status_line = fitted_line;
    OnDefragProgress(report.percent_done, report.complete);
  }
}
