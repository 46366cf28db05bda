#include "core/scene/progress_bar.h"

#include "core/scene/progress_sweep.h"

int ProgressBar::FillWidth(const SceneLayout& layout) const {
  return sweep::FillWidth(layout.bar_inner_width, percent);
}

void ProgressBar::RestartSweepIfDue(int64_t now) {
  if (!sweep_running && now - sweep_end_time >= sweep::kRestartPauseSeconds) sweep_running = true;
}

bool ProgressBar::AdvanceSweep(const SceneLayout& layout) {
  if (sweep::HasPassedBar(layout.grid_width, sweep_position, layout.scale)) {
    sweep_position = 0;
    sweep_running = false;
    return true;
  }
  sweep_position =
      sweep::Advance(sweep_position, layout.sweep_step, layout.grid_width, layout.scale);
  return false;
}
