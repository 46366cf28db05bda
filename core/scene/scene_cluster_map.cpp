// The cluster map of the scene: engine ranges onto cells, and the glowing cells.
#include <algorithm>

#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/saver_scene.h"

int32_t SaverScene::ClusterToCell(int64_t cluster) { return cells.ClusterToCell(cluster); }

void SaverScene::MarkClusterRange(int64_t first_cluster, int64_t last_cluster, int32_t state) {
  cells.MarkClusterRange(first_cluster, last_cluster, state, cycle_state.load() == Defragmenting);
}

// Halos and outlines of different cells never overlap (a halo reaches at most
// to the next cell's halo), so lit cells can be drawn grouped by picture, with
// the same pixels as cell by cell. Prepared pictures are copied into the back
// buffer's pixels; GDI draws what is left.
void SaverScene::DrawLitCells() {
  const int halo_offset = static_cast<int>(2.0 * layout.scale);
  if (resources.BackSurface().words != nullptr) {
    size_t left_for_gdi = 0;
    for (const LitCell& lit : lit_cells) {
      const pixels::Picture* picture = LitCellPixels(lit.color, lit.glow);
      const POINT cell = CellOrigin(layout, lit.cell);
      if (picture != nullptr &&
          resources.DrawPictureAt(*picture, cell.x - halo_offset, cell.y - halo_offset))
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
  resources.BackSurface();  // what GDI drew is done before pixels are copied again
}

void SaverScene::DrawGlowingClusters() {
  cells.SnapshotCellsAndFade();
  const int count = static_cast<int>(cells.frame_cell_glow.size());
  lit_cells.clear();
  for (int i = 0; i < count; ++i) {
    const int glow = cells.frame_cell_glow[i];
    if (glow != 0)
      lit_cells.push_back({i, cluster_map::StateColor(cells.frame_cell_state[i]), glow});
  }
  DrawLitCells();
}
