#include "core/scene/shine_blend.h"

#include <algorithm>
#include <cstdint>

#include "core/scene/dib_header.h"
#include "core/scene/image_processing.h"

namespace {

inline COLORREF ColorOfWord(uint32_t word) {
  return RGB((word >> 16) & 0xFF, (word >> 8) & 0xFF, word & 0xFF);
}

inline uint32_t WordOfColor(COLORREF color) {
  return (static_cast<uint32_t>(GetRValue(color)) << 16) |
         (static_cast<uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

}  // namespace

void BlendShineOnSurface(const pixels::Surface& surface, const std::vector<COLORREF>& shine,
                         int shine_width, int shine_height, int x, int y, int level) {
  if (surface.words == nullptr || shine_width <= 0 || shine_height <= 0 ||
      shine.size() < static_cast<size_t>(shine_width) * static_cast<size_t>(shine_height))
    return;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + shine_width, surface.width),
            y1 = std::min(y + shine_height, surface.height);
  for (int row = y0; row < y1; ++row) {
    const COLORREF* shine_row =
        shine.data() + static_cast<size_t>(row - y) * shine_width + (x0 - x);
    uint32_t* screen_row = surface.words + static_cast<size_t>(row) * surface.width;
    for (int column = x0; column < x1; ++column) {
      const COLORREF blended =
          imaging::BlendShinePixel(shine_row[column - x0], ColorOfWord(screen_row[column]), level);
      screen_row[column] = WordOfColor(blended);
    }
  }
}

void BlendShineOver(HDC dc, int surface_width, int surface_height,
                    const std::vector<COLORREF>& shine, int shine_width, int shine_height, int x,
                    int y, int level) {
  if (shine_width <= 0 || shine_height <= 0 ||
      shine.size() < static_cast<size_t>(shine_width) * static_cast<size_t>(shine_height))
    return;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + shine_width, surface_width),
            y1 = std::min(y + shine_height, surface_height);
  if (x0 >= x1 || y0 >= y1) return;
  const int w = x1 - x0, h = y1 - y0;

  const BITMAPINFO info = Dib32Header(w, -h);  // top row first
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(section);
    return;
  }
  HDC work = CreateCompatibleDC(dc);
  HGDIOBJ old_bitmap = SelectObject(work, section);
  BitBlt(work, 0, 0, w, h, dc, x0, y0, SRCCOPY);
  GdiFlush();
  // The work surface's origin lies at (x0, y0) of the context.
  BlendShineOnSurface({static_cast<uint32_t*>(bits), w, h}, shine, shine_width, shine_height,
                      x - x0, y - y0, level);
  BitBlt(dc, x0, y0, w, h, work, 0, 0, SRCCOPY);
  SelectObject(work, old_bitmap);
  DeleteDC(work);
  DeleteObject(section);
}
