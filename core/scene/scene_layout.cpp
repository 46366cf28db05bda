#include <cmath>

#include "core/scene/scene_layout.h"

#include "core/scene/saver_scene.h"

namespace {

int Trunc(double x) { return static_cast<int>(x); }
int Ceil(double x) { return static_cast<int>(std::ceil(x)); }

}  // namespace

bool ComputeSceneLayout(int width, int height, SceneLayout* out) {
  // An empty client area has no scale; the grid step below would divide by zero.
  if (width < 1 || height < 1) return false;
  SceneLayout l;
  l.width = width;
  l.height = height;
  if (static_cast<double>(width) / height > 1.59) {
    l.scale = Trunc(height * 1.59) / 1024.0;
  } else {
    l.scale = width / 1024.0;
  }
  const double s = l.scale;
  l.cell_pitch = Ceil(20 * s);
  l.cell_size = Ceil(16 * s);
  if (l.cell_pitch < 1) return false;
  l.left = Trunc((width - grid_columns * l.cell_pitch) / 2.0);
  l.grid_width = (grid_columns - 1) * l.cell_pitch + l.cell_size;
  l.title_y = Trunc(25 * s);
  l.grid_top = Trunc(70 * s);
  l.legend_y = Trunc(height - 22 * s - l.cell_size);
  l.line_height = Ceil(24 * s);
  int y = l.grid_top + 15 * l.cell_pitch + Trunc(28 * s);
  const int reserved = Trunc(55 * s) + y + 6 * l.line_height;
  const int free_height = l.legend_y - reserved;
  if (static_cast<double>(free_height) > 120 * s + l.cell_pitch) {
    l.rows = (l.legend_y - reserved - Trunc(120 * s)) / l.cell_pitch + 15;
    y = l.grid_top + l.rows * l.cell_pitch + Trunc(28 * s);
  } else {
    l.rows = 15;
  }
  l.y = y;
  l.cell_count = l.rows * grid_columns;
  l.status_y = y - Trunc(5 * s);
  l.bar_top = y + Trunc(22 * s);
  l.bar_height = Ceil(16 * s);
  l.log_top = y + Trunc(55 * s);
  l.pen_width = Ceil(3 * s);
  l.bar_inner_width = l.grid_width - 2 * l.pen_width;
  const double slow = 1 * s;
  const double fast = 4 * s;
  l.scroll_accel = (slow * slow - fast * fast) / (2 * l.line_height);
  l.sweep_step = Trunc(25 * s);
  if (l.sweep_step == 0) l.sweep_step = 1;
  l.font_height = Ceil(22 * s);
  l.glow_width = l.glow_height = Trunc(4 * s) + l.cell_size;
  *out = l;
  return true;
}
