// Lays the shine picture over a region of a device context. The pixels come
// and go through one 32-bit DIB section instead of GetPixel/SetPixel per
// pixel, with the same result; pixels outside the surface stay as they are.
#pragma once

#include <windows.h>

#include <vector>

#include "core/scene/frame_pixels.h"

// shine: shine_width x shine_height COLORREF values, top row first.
// (x, y): where the picture's top-left corner lands on dc, whose drawing
// surface is surface_width x surface_height.
void BlendShineOver(HDC dc, int surface_width, int surface_height,
                    const std::vector<COLORREF>& shine, int shine_width, int shine_height, int x,
                    int y, int level);

// The same straight on a surface's words (the scene's back buffer).
void BlendShineOnSurface(const pixels::Surface& surface, const std::vector<COLORREF>& shine,
                         int shine_width, int shine_height, int x, int y, int level);
