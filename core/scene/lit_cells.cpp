// Lit cells drawn into the back buffer: prepared pictures copied where they
// fit, GDI for the rest.
#include <algorithm>

#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/scene_resources.h"

// Halos and outlines of different cells never overlap (a halo reaches at most
// to the next cell's halo), so lit cells can be drawn grouped by picture, with
// the same pixels as cell by cell. Prepared pictures are copied into the back
// buffer's pixels; GDI draws what is left.
void SceneResources::DrawLitCells(std::vector<LitCell>* lit_cells, const SceneLayout& layout) {
  std::vector<LitCell>& list = *lit_cells;
  const int halo_offset = static_cast<int>(2.0 * layout.scale);
  if (BackSurface().words != nullptr) {
    size_t left_for_gdi = 0;
    for (const LitCell& lit : list) {
      const pixels::Picture* picture = LitCellPixels(lit.color, lit.glow);
      const POINT cell = CellOrigin(layout, lit.cell);
      if (picture != nullptr && DrawPictureAt(*picture, cell.x - halo_offset, cell.y - halo_offset))
        continue;
      list[left_for_gdi++] = lit;
    }
    list.resize(left_for_gdi);
    if (list.empty()) return;
  }
  std::stable_sort(list.begin(), list.end(), [](const LitCell& a, const LitCell& b) {
    return a.color != b.color ? a.color < b.color : a.glow > b.glow;
  });
  HBITMAP selected = nullptr;
  size_t unprepared = 0;  // lit cells without a prepared picture move to the front
  for (size_t n = 0; n < list.size(); ++n) {
    const LitCell lit = list[n];
    HBITMAP picture = LitCellPicture(lit.color, lit.glow);
    if (picture == nullptr) {
      const auto entry = glow_bitmaps.find(lit.color);
      if (entry == glow_bitmaps.end()) continue;
      picture = entry->second.band_bitmaps[cluster_map::GlowBand(lit.glow)];
      list[unprepared++] = lit;
    }
    if (picture != selected) {
      SelectObject(glow_dc, picture);
      selected = picture;
    }
    const POINT cell = CellOrigin(layout, lit.cell);
    BitBlt(back_dc, cell.x - halo_offset, cell.y - halo_offset, layout.glow_width,
           layout.glow_height, glow_dc, 0, 0, SRCCOPY);
  }
  for (size_t n = 0; n < unprepared; ++n) {
    const LitCell& lit = list[n];
    DrawOutlineTowardsWhite(back_dc, CellOrigin(layout, lit.cell), layout, lit.color, lit.glow / 3);
  }
  list.clear();
  BackSurface();  // what GDI drew is done before pixels are copied again
}
