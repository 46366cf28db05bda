#pragma once
// Where a cell of the grid lies on screen, and its square drawn with an outline
// moved towards white: one place for what the grid, the lit cells, the idle
// effects and the lit-cell pictures all draw the same way.
#include <windows.h>

#include "core/scene/scene_layout.h"

// Top-left corner of cell i: column i % 48, row i / 48.
POINT CellOrigin(const SceneLayout& layout, int cell);

// The cell square with its top-left corner at `corner` on dc, its outline (a
// PS_INSIDEFRAME pen of the layout's width, made for this square alone) `color`
// moved `percent` towards white; the inside takes the brush selected in dc.
void DrawOutlineTowardsWhite(HDC dc, POINT corner, const SceneLayout& layout, COLORREF color,
                             int percent);
