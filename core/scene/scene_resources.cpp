#include "core/scene/scene_resources.h"

#include "core/scene/dib_header.h"

void SceneResources::Create(HWND window, const SceneLayout& layout) {
  window_dc.Reset(window, GetDC(window));
  back_width = layout.width;
  back_height = layout.height;
  // A 32-bit top-down DIB section holds what a bitmap compatible with the 32-bit
  // screen holds, and its pixels can be written directly.
  const BITMAPINFO back_info = Dib32Header(layout.width, -layout.height);
  void* back_bits = nullptr;
  if (GetDeviceCaps(window_dc, BITSPIXEL) == 32)
    back_bitmap.Reset(
        CreateDIBSection(window_dc, &back_info, DIB_RGB_COLORS, &back_bits, nullptr, 0));
  if (back_bitmap != nullptr && back_bits != nullptr)
    back_words = static_cast<uint32_t*>(back_bits);
  else
    back_bitmap.Reset(CreateCompatibleBitmap(window_dc, layout.width, layout.height));
  back_dc.Reset(CreateCompatibleDC(window_dc));
  back_bitmap_selection.Select(back_dc, back_bitmap);
  font.Reset(CreateFontW(layout.font_height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS,
                         CLEARTYPE_QUALITY, VARIABLE_PITCH, L"Segoe UI"));
  back_font_selection.Select(back_dc, font);
  window_font_selection.Select(window_dc, font);
  black_brush.Reset(CreateSolidBrush(0));
  back_brush_selection.Select(back_dc, black_brush);
  for (int i = 0; i < kClusterStateCount; ++i)
    cell_pens[i].Reset(CreatePen(PS_INSIDEFRAME, layout.pen_width, cluster_colors_arr[i]));
  bar_pen.Reset(CreatePen(PS_INSIDEFRAME, layout.pen_width, 0x008B22));
  title_color = 0xFFFFFF;
  status_color = 0x008B22;
  bar_brush.Reset(CreateSolidBrush(0x00D133));
  glow_dc.Reset(CreateCompatibleDC(window_dc));
  null_brush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  SelectObject(glow_dc, null_brush);
  SetBkColor(back_dc, 0);  // texts on an opaque black background
  text_stamps.Prepare(back_dc);
}

void SceneResources::Release() {
  text_stamps.Release();  // it holds the scene font
  // The window's DC holds the font too: Windows deletes no object still selected.
  window_font_selection.Restore();
  back_brush_selection.Restore();
  black_brush.Reset();
  back_font_selection.Restore();
  font.Reset();
  back_bitmap_selection.Restore();
  back_bitmap.Reset();
  back_words = nullptr;
  back_dc.Reset();
  window_dc.Reset();
  shine_dc.Reset();
  shine_bitmap.Reset();
  glow_dc.Reset();
  for (GdiObject<HPEN>& pen : cell_pens) pen.Reset();
  bar_pen.Reset();
  bar_brush.Reset();
  for (auto& entry : glow_bitmaps)
    for (GdiObject<HBITMAP>& bitmap : entry.second.band_bitmaps) bitmap.Reset();
  for (auto& pictures : lit_cell_pictures)
    for (GdiObject<HBITMAP>& picture : pictures) picture.Reset();
}

pixels::Surface SceneResources::BackSurface() {
  if (draw_through_gdi || back_words == nullptr) return {};
  GdiFlush();
  return {back_words, back_width, back_height};
}

void SceneResources::DrawTextLine(const TextPlacement& placement) {
  text_stamps.Draw(back_dc, BackSurface(), &frame_ink, placement.x, placement.y, *placement.text,
                   placement.color);
}

bool SceneResources::DrawPictureAt(const pixels::Picture& picture, int x, int y) {
  const pixels::Surface surface = BackSurface();
  return surface.words != nullptr && pixels::DrawPicture(surface, picture, x, y);
}
