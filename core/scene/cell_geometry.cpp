#include "core/scene/cell_geometry.h"

#include "core/scene/image_processing.h"
#include "core/scene/saver_scene.h"

POINT CellOrigin(const SceneLayout& layout, int cell) {
  return {layout.left + (cell % grid_columns) * layout.cell_pitch,
          layout.grid_top + (cell / grid_columns) * layout.cell_pitch};
}

void DrawOutlineTowardsWhite(HDC dc, POINT corner, const SceneLayout& layout, COLORREF color,
                             int percent) {
  HPEN pen =
      CreatePen(PS_INSIDEFRAME, layout.pen_width, imaging::BlendColor(color, 0xFFFFFF, percent));
  HGDIOBJ old_pen = SelectObject(dc, pen);
  Rectangle(dc, corner.x, corner.y, corner.x + layout.cell_size, corner.y + layout.cell_size);
  SelectObject(dc, old_pen);
  DeleteObject(pen);
}
