// The idle effects: a glowing ball bouncing across the grid, and the sparkle
// that flashes on one random cell now and then.
#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/idle_effects.h"
#include "core/scene/idle_motion.h"
#include "core/scene/saver_scene.h"
#include "core/scene/shine_blend.h"

namespace {
int32_t FrameState(const std::vector<int32_t>& states, int cell) {
  return cell >= 0 && cell < static_cast<int>(states.size()) ? states[cell] : FreeSpace;
}
}  // namespace

void SaverScene::DrawIdleAnimation() {
  if (cycle_state.load() != Idle || effects.idle_trail == nullptr || cells.cell_count <= 0) return;
  if (!effects.StartRunIfDue(now, cycle_end_time, cells.cell_count)) return;

  lit_cells.clear();
  for (int i = 0; i < cells.cell_count; ++i) {
    const int trail = effects.idle_trail[i];
    if (trail == 0) continue;
    lit_cells.push_back({i, cluster_map::StateColor(FrameState(cells.frame_cell_state, i)), trail});
    effects.idle_trail[i] = cluster_map::FadedGlow(trail);
  }
  resources.DrawLitCells(&lit_cells, layout);

  if (effects.StepBall(layout.rows, cells.cell_count)) cycle_end_time = CurrentTime();
}

void SaverScene::DrawShinedCluster() {
  if (effects.shine_cell < 0 || effects.shine_cell >= cells.cell_count) {
    effects.shine_cell = -1;
    return;
  }
  const bool first = effects.shine_level == idle::kShineFresh;
  if (first) effects.shine_level = idle::kShineNone;
  const POINT cell = CellOrigin(layout, effects.shine_cell);
  const int x = cell.x, y = cell.y;

  if (effects.shine_level != idle::kShineNone) {
    const COLORREF color =
        cluster_map::StateColor(FrameState(cells.frame_cell_state, effects.shine_cell));
    DrawOutlineTowardsWhite(resources.back_dc, cell, layout, color,
                            (100 - effects.shine_level) / 3);
  }

  const int offset = static_cast<int>(12.0 * layout.scale);
  const pixels::Surface surface = resources.BackSurface();
  if (surface.words != nullptr)
    BlendShineOnSurface(surface, resources.shine_pixels, resources.shine_width,
                        resources.shine_height, x - offset, y - offset, effects.shine_level);
  else
    BlendShineOver(resources.back_dc, layout.width, layout.height, resources.shine_pixels,
                   resources.shine_width, resources.shine_height, x - offset, y - offset,
                   effects.shine_level);
  resources.frame_ink.Add({x - offset, y - offset, x - offset + resources.shine_width,
                           y - offset + resources.shine_height});

  if (idle::AdvanceShine(&effects.shine_level, &g_shine_falling, first)) {
    effects.shine_cell = -1;
    effects.shine_last_time = CurrentTime();
  }
}
