#pragma once
// The scene's layout: where the title, the grid, the status line, the bar, the
// log and the legend go for one client size, and the sizes of cells, pens, font
// and glow pictures. Pure, so it can be checked without a window.
struct SceneLayout {
  int width = 0;  // the client area laid out
  int height = 0;
  double scale = 0.0;
  int cell_pitch = 0;
  int cell_size = 0;
  int left = 0;
  int grid_width = 0;
  int title_y = 0;
  int grid_top = 0;
  int legend_y = 0;
  int line_height = 0;
  int rows = 0;
  int cell_count = 0;
  int y = 0;  // reference line below the grid
  int status_y = 0;
  int bar_top = 0;
  int bar_height = 0;
  int log_top = 0;
  int pen_width = 0;
  int bar_inner_width = 0;
  double scroll_accel = 0.0;
  int sweep_step = 0;
  int font_height = 0;
  int glow_width = 0;  // a glow picture: the cell and its halo around it
  int glow_height = 0;
};
// False when the client area is empty (no layout possible).
bool ComputeSceneLayout(int width, int height, SceneLayout* layout);
