#pragma once
// The progress bar: the progress of the running step, and the bright band that
// sweeps along the bar now and then, with its pause between two sweeps.
#include <cstdint>

#include "core/scene/scene_layout.h"
#include "core/scene/scene_resources.h"

struct ProgressBar {
  // Pixels of the bar's inside that the progress fills.
  int FillWidth(const SceneLayout& layout) const;
  // A sweep that has rested its pause (by `now`) runs again.
  void RestartSweepIfDue(int64_t now);
  // One frame's step of the band; true when it has passed the bar's end, which
  // ends the sweep (the caller then records the end time).
  bool AdvanceSweep(const SceneLayout& layout);
  // The bar's frame and its fill, below the grid.
  void DrawBar(SceneResources* resources, const SceneLayout& layout) const;
  // The band over the bar: it brightens the frame and the filled part.
  void DrawProgressBar(SceneResources* resources, const SceneLayout& layout) const;

  int percent = 0;  // of the running analysis or defragmentation, 0..100
  bool sweep_running = true;
  int sweep_position = 0;
  int64_t sweep_end_time = 0;
};
