// One frame of the scene, composed in the back buffer and copied to the
// window at once. The order of the steps is the layering, bottom to top.
//
// The cells, the texts, the sweep and the sparkle are copied or blended into
// the back buffer's pixels directly, from pictures prepared once and stamps
// of the texts on show, with the pixels GDI would give; GDI draws the rest.
// The grid's tiles are written whole, black included, so the clear leaves
// them out, unless a text above might reach into them.
#include <cstdlib>

#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/saver_scene.h"

namespace {
const std::wstring kTitle = L"Orbenlake Tidewell";
}

BOOL SaverScene::Paint() {
  if (destroyed) return FALSE;
  const bool idle = cycle_state.load() == Idle;
  const bool idle_effects = idle && idle_animation;
  // The slide moves the log's texts, which are drawn last: it moves them first
  // so that the frame knows where every text goes before it clears.
  if (log.scrolling) ScrollLog();

  int schedule_x = 0;
  if (!schedule_line.empty()) {
    SIZE size;
    const int length = static_cast<int>(schedule_line.size());
    schedule_x =
        layout.left + layout.grid_width - GetTextWidth(schedule_line.c_str(), length, &size);
  }
  const pixels::Box grid = GridBox();
  const bool compose_grid = CanComposeGrid(grid, schedule_x);
  ClearBackBuffer(compose_grid, grid, schedule_x, idle_effects);
  resources.frame_ink.Clear();

  // The title and the schedule line in the title's colour (the text colour is
  // not changed for the schedule line).
  resources.DrawTextLine({layout.left, layout.title_y, &kTitle, resources.title_color});
  if (!schedule_line.empty())
    resources.DrawTextLine({schedule_x, layout.title_y, &schedule_line, resources.title_color});

  if (compose_grid) {
    cells.SnapshotCellsAndFade();
    ComposeGrid(idle);
  } else {
    DrawGlowingClusters();
    DrawPlainCells(idle);
  }
  // From here on the grid counts as drawn over, whatever its tiles hold.
  resources.frame_ink.Add(grid);

  if (idle_effects) DrawIdleAnimation();

  resources.DrawTextLine({layout.left, layout.status_y, &status_line, resources.status_color});

  bar.DrawBar(&resources, layout);

  DrawLegend();

  if (idle_effects) {
    effects.StartShineIfDue(now, cells.cell_count);
    if (effects.shine_cell != -1) DrawShinedCluster();
  }

  if (!idle || idle_animation) {
    bar.RestartSweepIfDue(now);
    if (bar.sweep_running) {
      AdvanceProgressSweep();
      DrawProgressBar();
    }
  }

  DrawLog();
  resources.text_stamps.EndFrame(resources.back_dc, resources.black_brush, resources.frame_ink);

  return BitBlt(resources.window_dc, 0, 0, layout.width, layout.height, resources.back_dc, 0, 0,
                SRCCOPY);
}

std::vector<TextPlacement> SaverScene::FrameTexts(int schedule_x) const {
  std::vector<TextPlacement> texts = {
      {layout.left, layout.title_y, &kTitle, resources.title_color},
      {schedule_x, layout.title_y, &schedule_line, resources.title_color},
      {layout.left, layout.status_y, &status_line, resources.status_color}};
  for (int i = 0; i < kClusterStateCount; ++i) texts.push_back(legend.LabelPlacement(i, layout));
  for (int i = 0; i < kLogLineCount; ++i) texts.push_back(log.LinePlacement(i, layout));
  return texts;
}

void SaverScene::ClearBackBuffer(bool leave_grid, const pixels::Box& grid, int schedule_x,
                                 bool idle_effects) {
  std::vector<pixels::Box> left_out;
  if (leave_grid) left_out.push_back(grid);
  if (resources.BackSurface().words != nullptr) {
    // Everything this frame draws but its texts: the grid, the sparkle wherever
    // it may go, the bar with its sweep, the legend's squares.
    pixels::Ink drawn;
    drawn.Add(grid);
    if (idle_effects) {
      const int offset = static_cast<int>(12.0 * layout.scale);
      drawn.Add(
          {layout.left - offset, layout.grid_top - offset,
           layout.left + (grid_columns - 1) * layout.cell_pitch - offset + resources.shine_width,
           layout.grid_top + (layout.rows - 1) * layout.cell_pitch - offset +
               resources.shine_height});
    }
    drawn.Add({layout.left, layout.bar_top, layout.left + layout.grid_width,
               layout.bar_top + layout.bar_height});
    for (int i = 0; i < kClusterStateCount; ++i)
      drawn.Add({legend.legend_x[i], layout.legend_y, legend.legend_x[i] + layout.cell_size,
                 layout.legend_y + layout.cell_size});
    const std::vector<TextPlacement> texts = FrameTexts(schedule_x);
    std::vector<pixels::Box> reach;
    for (const TextPlacement& text : texts)
      reach.push_back(
          resources.text_stamps.Reach(resources.back_dc, text.x, text.y, *text.text, text.color));
    for (size_t i = 0; i < texts.size(); ++i) {
      pixels::Ink others = drawn;
      for (size_t j = 0; j < texts.size(); ++j)
        if (j != i && !texts[j].text->empty()) others.Add(reach[j]);
      if (resources.text_stamps.Keep(texts[i].x, texts[i].y, *texts[i].text, texts[i].color,
                                     others))
        left_out.push_back(reach[i]);
    }
  }
  if (left_out.empty()) {
    FillRect(resources.back_dc, &client_rect, resources.black_brush);
    return;
  }
  for (const pixels::Box& part : pixels::Subtract({0, 0, layout.width, layout.height}, left_out)) {
    const RECT area = {part.left, part.top, part.right, part.bottom};
    FillRect(resources.back_dc, &area, resources.black_brush);
  }
}

void SaverScene::DrawPlainCells(bool idle) {
  // Plain cells: those not glowing after this frame's fade, and, while idle,
  // not lit by the idle animation.
  resources.BackSurface();  // GDI's drawing so far is done before pixels are copied
  const int count = static_cast<int>(cells.frame_cell_state.size());
  for (int i = 0; i < count; ++i) {
    if (!IsPlainCell(i, idle)) continue;
    const int32_t state = cells.frame_cell_state[i];
    const int pen = state >= 0 && state < kClusterStateCount ? state : FreeSpace;
    const POINT cell = CellOrigin(layout, i);
    const int x = cell.x, y = cell.y;
    if (resources.DrawPictureAt(resources.plain_cell_pixels[pen], x, y)) continue;
    SelectObject(resources.back_dc, resources.cell_pens[pen]);
    Rectangle(resources.back_dc, x, y, x + layout.cell_size, y + layout.cell_size);
    resources.BackSurface();
  }
}

bool SaverScene::IsPlainCell(int i, bool idle) const {
  if (cells.frame_cell_glow[i] != 0 && cluster_map::FadedGlow(cells.frame_cell_glow[i]) != 0)
    return false;
  return !(idle && effects.idle_trail != nullptr && effects.idle_trail[i] != 0);
}

pixels::Box SaverScene::GridBox() const {
  const int halo_offset = static_cast<int>(2.0 * layout.scale);
  return {layout.left - halo_offset, layout.grid_top - halo_offset,
          layout.left - halo_offset + grid_columns * layout.cell_pitch,
          layout.grid_top - halo_offset + layout.rows * layout.cell_pitch};
}

bool SaverScene::CanComposeGrid(const pixels::Box& grid, int schedule_x) {
  if (resources.BackSurface().words == nullptr || grid.left < 0 || grid.top < 0 ||
      grid.right > layout.width || grid.bottom > layout.height || resources.black_tile.empty() ||
      resources.plain_tiles[0].empty() || resources.lit_tiles[0][0][0].empty() ||
      cells.cell_state == nullptr || cells.cell_count != layout.rows * grid_columns)
    return false;
  // The title and the schedule line are drawn before the cells: neither may reach
  // into the tiles, which are written whole.
  if (resources.text_stamps
          .Reach(resources.back_dc, layout.left, layout.title_y, kTitle, resources.title_color)
          .Meets(grid))
    return false;
  return schedule_line.empty() || !resources.text_stamps
                                       .Reach(resources.back_dc, schedule_x, layout.title_y,
                                              schedule_line, resources.title_color)
                                       .Meets(grid);
}

// Every tile of the grid written whole from a prepared tile: black, the lit
// cell's picture (its halo fills the tile's corner), the plain cell's square
// over it where it is drawn plain. The same pixels as the clear, the glowing
// cells and the plain cells drawn one after the other: halos never reach into
// another cell's tile.
void SaverScene::ComposeGrid(bool idle) {
  const pixels::Surface surface = resources.BackSurface();
  const int halo_offset = static_cast<int>(2.0 * layout.scale);
  const int count = static_cast<int>(cells.frame_cell_state.size());
  for (int i = 0; i < count; ++i) {
    const int32_t state = cells.frame_cell_state[i];
    const int glow = cells.frame_cell_glow[i];
    const bool plain = IsPlainCell(i, idle);
    const POINT cell = CellOrigin(layout, i);
    const int x = cell.x, y = cell.y;
    const pixels::Picture* tile = resources.GridTile(state, glow, plain);
    if (tile != nullptr && pixels::DrawPicture(surface, *tile, x - halo_offset, y - halo_offset))
      continue;
    // A glow between the fade steps has no prepared picture: GDI draws the cell.
    pixels::DrawPicture(surface, resources.black_tile, x - halo_offset, y - halo_offset);
    lit_cells.assign(1, {i, cluster_map::StateColor(state), glow});
    resources.DrawLitCells(&lit_cells, layout);
    const int pen = state >= 0 && state < kClusterStateCount ? state : FreeSpace;
    if (plain) resources.DrawPictureAt(resources.plain_cell_pixels[pen], x, y);
  }
}
