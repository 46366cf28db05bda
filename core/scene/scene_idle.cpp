// The idle effects: a glowing ball bouncing across the grid, and the sparkle
// that flashes on one random cell now and then.
#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/idle_motion.h"
#include "core/scene/saver_scene.h"
#include "core/scene/shine_blend.h"

// Kept for the life of the process: a new run does not reset the direction.
int g_ball_direction = idle::DownRight;
bool g_shine_falling = true;

namespace {
int32_t FrameState(const std::vector<int32_t>& states, int cell) {
  return cell >= 0 && cell < static_cast<int>(states.size()) ? states[cell] : FreeSpace;
}
}  // namespace

void SaverScene::DrawIdleAnimation() {
  if (cycle_state.load() != Idle || idle_trail == nullptr || cells.cell_count <= 0) return;
  if (idle_position == -1) {
    if (now - cycle_end_time < idle::kIdleStartSeconds) return;
    for (int i = 0; i < cells.cell_count; ++i) idle_trail[i] = 0;
    idle_trail[0] = idle::kTrailFull;
    idle_position = 0;
  }

  lit_cells.clear();
  for (int i = 0; i < cells.cell_count; ++i) {
    const int trail = idle_trail[i];
    if (trail == 0) continue;
    lit_cells.push_back({i, cluster_map::StateColor(FrameState(cells.frame_cell_state, i)), trail});
    idle_trail[i] = cluster_map::FadedGlow(trail);
  }
  DrawLitCells();

  if (idle_position < 0 || idle_position >= cells.cell_count) {
    idle_position = -1;  // left over from a grid of another size: start over
    return;
  }
  if (idle::IsEndCorner(idle_position, layout.rows)) {
    if (idle_trail[idle_position] == 0) {
      cycle_end_time = CurrentTime();
      idle_position = -1;
    }
    return;
  }
  idle_position = idle::NextBallPosition(idle_position, layout.rows, &g_ball_direction);
  idle_trail[idle_position] = idle::kTrailFull;
}

void SaverScene::DrawShinedCluster() {
  if (shine_cell < 0 || shine_cell >= cells.cell_count) {
    shine_cell = -1;
    return;
  }
  const bool first = shine_level == idle::kShineFresh;
  if (first) shine_level = idle::kShineNone;
  const POINT cell = CellOrigin(layout, shine_cell);
  const int x = cell.x, y = cell.y;

  if (shine_level != idle::kShineNone) {
    const COLORREF color = cluster_map::StateColor(FrameState(cells.frame_cell_state, shine_cell));
    DrawOutlineTowardsWhite(resources.back_dc, cell, layout, color, (100 - shine_level) / 3);
  }

  const int offset = static_cast<int>(12.0 * layout.scale);
  const pixels::Surface surface = BackSurface();
  if (surface.words != nullptr)
    BlendShineOnSurface(surface, resources.shine_pixels, resources.shine_width,
                        resources.shine_height, x - offset, y - offset, shine_level);
  else
    BlendShineOver(resources.back_dc, layout.width, layout.height, resources.shine_pixels,
                   resources.shine_width, resources.shine_height, x - offset, y - offset,
                   shine_level);
  resources.frame_ink.Add({x - offset, y - offset, x - offset + resources.shine_width,
                           y - offset + resources.shine_height});

  if (idle::AdvanceShine(&shine_level, &g_shine_falling, first)) {
    shine_cell = -1;
    shine_last_time = CurrentTime();
  }
}
