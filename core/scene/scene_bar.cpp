// The scene's progress-bar operations, handed to its progress bar.
#include "core/scene/saver_scene.h"

void SaverScene::AdvanceProgressSweep() {
  if (bar.AdvanceSweep(layout)) bar.sweep_end_time = CurrentTime();
}

void SaverScene::DrawProgressBar() { bar.DrawProgressBar(&resources, layout); }
