// One frame of the scene, composed in the back buffer and copied to the
// window at once. The order of the steps is the layering, bottom to top.
#include <cstdlib>

#include "core/cluster_map.h"
#include "core/progress_sweep.h"
#include "core/saver_scene.h"

namespace {
const wchar_t kTitle[] = L"Orbenlake Tidewell";
}

BOOL SaverScene::Paint() {
  const bool idle = cycle_state.load() == Idle;
  const bool idle_effects = idle && idle_animation;

  FillRect(back_dc, &client_rect, black_brush);

  SetTextColor(back_dc, title_color);
  TextOutW(back_dc, left, title_y, kTitle, static_cast<int>(wcslen(kTitle)));
  if (!schedule_line.empty()) {
    SIZE size;
    const int length = static_cast<int>(schedule_line.size());
    const int text_width = GetTextWidth(schedule_line.c_str(), length, &size);
    TextOutW(back_dc, left + grid_width - text_width, title_y, schedule_line.c_str(), length);
  }

  DrawGlowingClusters();

  // Plain cells: those not glowing after this frame's fade, and, while idle,
  // not lit by the idle animation.
  const int count = static_cast<int>(frame_cell_state.size());
  for (int i = 0; i < count; ++i) {
    if (frame_cell_glow[i] != 0 && cluster_map::FadedGlow(frame_cell_glow[i]) != 0) continue;
    if (idle && idle_trail != nullptr && idle_trail[i] != 0) continue;
    const int32_t state = frame_cell_state[i];
    SelectObject(back_dc, cell_pens[state >= 0 && state < kClusterStateCount ? state : FreeSpace]);
    const int x = left + (i % grid_columns) * cell_pitch;
    const int y = grid_top + (i / grid_columns) * cell_pitch;
    Rectangle(back_dc, x, y, x + cell_size, y + cell_size);
  }

  if (idle_effects) DrawIdleAnimation();

  SetTextColor(back_dc, status_color);
  TextOutW(back_dc, left, status_y, status_line.c_str(), static_cast<int>(status_line.size()));

  SelectObject(back_dc, bar_pen);
  Rectangle(back_dc, left, bar_top, left + grid_width, bar_top + bar_height);
  const int fill = sweep::FillWidth(bar_inner_width, percent);
  const RECT progress_rect = {left + pen_width, bar_top + pen_width, left + pen_width + fill,
                              bar_top + bar_height - pen_width};
  FillRect(back_dc, &progress_rect, bar_brush);

  DrawLegend();

  if (idle_effects) {
    if (shine_cell == -1 && now - shine_last_time >= shine_delay_s && cell_count > 0) {
      shine_cell = rand() % cell_count;
      shine_level = 250;
      shine_delay_s = rand() % 2 + 1;
    }
    if (shine_cell != -1) DrawShinedCluster();
  }

  if (!idle || idle_animation) {
    if (!sweep_running && now - sweep_end_time >= sweep::kRestartPauseSeconds) sweep_running = true;
    if (sweep_running) {
      AdvanceProgressSweep();
      DrawProgressBar();
    }
  }

  if (scrolling) ScrollLog();
  DrawLog();

  return BitBlt(window_dc, 0, 0, width, height, back_dc, 0, 0, SRCCOPY);
}
