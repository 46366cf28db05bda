// The cluster map of the scene: engine ranges onto cells, and the glowing cells.
#include <algorithm>

#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/saver_scene.h"

// The same mapping MarkClusterRange applies to a range's ends.
int32_t SaverScene::ClusterToCell(int64_t cluster) {
  return cluster_map::CellOfCluster(cluster, cell_count, total_clusters.load());
}

void SaverScene::MarkClusterRange(int64_t first_cluster, int64_t last_cluster, int32_t state) {
  std::lock_guard<std::mutex> guard(cell_lock);
  const cluster_map::Cells cells = {cell_state, cell_glow, cell_count};
  cluster_map::ApplyClusterRange(cells, total_clusters.load(), first_cluster, last_cluster, state,
                                 cycle_state.load() == Defragmenting);
}

void SaverScene::SnapshotCellsAndFade() {
  std::lock_guard<std::mutex> guard(cell_lock);
  if (cell_state == nullptr || cell_glow == nullptr || cell_count <= 0) {
    frame_cell_state.clear();
    frame_cell_glow.clear();
    return;
  }
  frame_cell_state.assign(cell_state, cell_state + cell_count);
  frame_cell_glow.assign(cell_glow, cell_glow + cell_count);
  for (int i = 0; i < cell_count; ++i) {
    if (cell_glow[i] != 0) cell_glow[i] = cluster_map::FadedGlow(cell_glow[i]);
  }
}

// Halos and outlines of different cells never overlap (a halo reaches at most
// to the next cell's halo), so lit cells can be drawn grouped by picture, with
// the same pixels as cell by cell. Prepared pictures are copied into the back
// buffer's pixels; GDI draws what is left.
void SaverScene::DrawLitCells() {
  const int halo_offset = static_cast<int>(2.0 * layout.scale);
  if (BackSurface().words != nullptr) {
    size_t left_for_gdi = 0;
    for (const LitCell& lit : lit_cells) {
      const pixels::Picture* picture = LitCellPixels(lit.color, lit.glow);
      const POINT cell = CellOrigin(layout, lit.cell);
      if (picture != nullptr && DrawPictureAt(*picture, cell.x - halo_offset, cell.y - halo_offset))
        continue;
      lit_cells[left_for_gdi++] = lit;
    }
    lit_cells.resize(left_for_gdi);
    if (lit_cells.empty()) return;
  }
  std::stable_sort(lit_cells.begin(), lit_cells.end(), [](const LitCell& a, const LitCell& b) {
    return a.color != b.color ? a.color < b.color : a.glow > b.glow;
  });
  HBITMAP selected = nullptr;
  size_t unprepared = 0;  // lit cells without a prepared picture move to the front
  for (size_t n = 0; n < lit_cells.size(); ++n) {
    const LitCell lit = lit_cells[n];
    HBITMAP picture = LitCellPicture(lit.color, lit.glow);
    if (picture == nullptr) {
      const auto entry = resources.glow_bitmaps.find(lit.color);
      if (entry == resources.glow_bitmaps.end()) continue;
      picture = entry->second.band_bitmaps[cluster_map::GlowBand(lit.glow)];
      lit_cells[unprepared++] = lit;
    }
    if (picture != selected) {
      SelectObject(resources.glow_dc, picture);
      selected = picture;
    }
    const POINT cell = CellOrigin(layout, lit.cell);
    BitBlt(resources.back_dc, cell.x - halo_offset, cell.y - halo_offset, layout.glow_size,
           layout.glow_size, resources.glow_dc, 0, 0, SRCCOPY);
  }
  for (size_t n = 0; n < unprepared; ++n) {
    const LitCell& lit = lit_cells[n];
    DrawOutlineTowardsWhite(resources.back_dc, CellOrigin(layout, lit.cell), layout, lit.color,
                            lit.glow / 3);
  }
  lit_cells.clear();
  BackSurface();  // what GDI drew is done before pixels are copied again
}

void SaverScene::DrawGlowingClusters() {
  SnapshotCellsAndFade();
  const int count = static_cast<int>(frame_cell_glow.size());
  lit_cells.clear();
  for (int i = 0; i < count; ++i) {
    const int glow = frame_cell_glow[i];
    if (glow != 0) lit_cells.push_back({i, cluster_map::StateColor(frame_cell_state[i]), glow});
  }
  DrawLitCells();
}
