#pragma once
// The scene's drawing resources: the window's device context, the back buffer
// (its DC, bitmap and pixels, and what the frame has drawn into it so far), the
// font, brushes and pens, and the pictures prepared once at Create: the glow
// halos, the lit cells, the plain squares and grid tiles, the shine, and the
// stamps of the texts on show. Every GDI object is owned: Release gives them
// all back, in the order the platform needs.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "core/scene/cluster_state.h"
#include "core/scene/frame_pixels.h"
#include "core/scene/gdi_object.h"
#include "core/scene/scene_layout.h"
#include "core/scene/text_stamps.h"

// Fade steps of a lit cell (glow 100, 85, ... 10), each with a prepared picture.
constexpr int kGlowSteps = 7;

// Three pre-blurred halos of one cell colour; band 0 serves glow 1..33, 1 34..66, 2 67..100.
struct GlowBitmaps {
  GdiObject<HBITMAP> band_bitmaps[3];
};

// A text of the frame at (x, y) in `color`, over the opaque black background.
struct TextPlacement {
  int x, y;
  const std::wstring* text;
  COLORREF color;
};

// A cell drawn lit: its colour's halo of one glow band under an outline moved
// towards white. Drawn grouped by halo bitmap: selecting a bitmap is costly.
struct LitCell {
  int cell;
  COLORREF color;
  int glow;  // 1..100: picks the band and how far the outline moves towards white
};

struct SceneResources {
  // Makes the window's DC, the back buffer with its font, brush and text settings,
  // the cell pens, the bar's pen and brush and the glow DC, sized by the layout.
  void Create(HWND window, const SceneLayout& layout);
  // Gives back every GDI object: the window's DC lets go of the font, the back
  // buffer's selections are undone and its objects and DC deleted, the window's
  // DC released, then the shine, the glow DC, the pens and brushes, the halos
  // and the lit-cell pictures.
  void Release();

  // The back buffer for direct drawing, GDI's pending work done; no words while
  // drawing through GDI.
  pixels::Surface BackSurface();
  // Draws a text of the frame (from its stamp where it can) and adds what it
  // touches to the frame's ink.
  void DrawTextLine(const TextPlacement& placement);
  // Draws a prepared picture at (x, y) into the back buffer's pixels; false when
  // it must be drawn with GDI instead.
  bool DrawPictureAt(const pixels::Picture& picture, int x, int y);

  // --- the prepared pictures (glow_pictures.cpp) ---
  // The three halos of each cell colour, and the lit-cell pictures made from them.
  void BuildGlowBitmaps(const SceneLayout& layout);
  void DrawLitCellPictures(const SceneLayout& layout, COLORREF color, int band, const uint8_t* halo,
                           const BITMAPINFO& bi, HGDIOBJ original_bitmap);
  // The shine picture at the layout's scale, and its pixels.
  void LoadShineBitmap(HINSTANCE instance, const SceneLayout& layout);
  void PreparePlainCellPictures(const SceneLayout& layout);
  void PrepareGridTiles(const SceneLayout& layout);
  // The prepared picture of a lit cell of this colour and glow; null for a glow
  // between the fade steps or a colour of no state.
  HBITMAP LitCellPicture(COLORREF color, int glow) const;
  const pixels::Picture* LitCellPixels(COLORREF color, int glow) const;
  // The tile of a cell of this state and glow, drawn plain or not; null for a
  // glow between the fade steps.
  const pixels::Picture* GridTile(int32_t state, int glow, bool plain) const;
  // Draws the lit cells (lit_cells.cpp), grouped by picture; empties the list.
  void DrawLitCells(std::vector<LitCell>* lit_cells, const SceneLayout& layout);

  // GDI objects, then the DCs they are selected into, then the selections:
  // going in reverse, each DC lets go of its objects before they are deleted.
  GdiObject<HBITMAP> back_bitmap;
  GdiObject<HFONT> font;
  GdiObject<HBRUSH> black_brush;
  GdiObject<HPEN> cell_pens[kClusterStateCount];
  GdiObject<HPEN> bar_pen;
  GdiObject<HBRUSH> bar_brush;
  GdiObject<HBITMAP> shine_bitmap;
  std::map<COLORREF, GlowBitmaps> glow_bitmaps;
  // A lit cell's halo with its outline over it, per state colour and fade step:
  // one copy draws the whole lit cell.
  GdiObject<HBITMAP> lit_cell_pictures[kClusterStateCount][kGlowSteps];
  WindowDc window_dc;
  MemoryDc back_dc;  // holds back_bitmap, font and black_brush; all drawing goes here
  MemoryDc shine_dc;
  MemoryDc glow_dc;  // the null brush selected; each halo is selected to be copied
  Selection back_bitmap_selection;
  Selection back_font_selection;
  Selection back_brush_selection;
  Selection window_font_selection;  // so the font leaves window_dc before it is deleted

  COLORREF title_color = 0;
  COLORREF status_color = 0;
  HBRUSH null_brush = nullptr;  // stock object: never deleted
  int shine_width = 0;
  int shine_height = 0;
  // The shine picture's pixels as GetPixel gives them, top row first (blended
  // through a DIB section instead of pixel by pixel).
  std::vector<COLORREF> shine_pixels;

  // The back buffer's pixels: it is a 32-bit top-down DIB section, so a frame
  // copies prepared pictures and stamps into it instead of drawing each piece
  // with GDI. Null when it could not be made one.
  uint32_t* back_words = nullptr;
  int back_width = 0;
  int back_height = 0;
  // Draws every step with GDI calls only, as the direct drawing stands in for
  // (the tests compare the two frames).
  bool draw_through_gdi = false;
  // Where this frame has drawn so far: a text stamp, which leaves its black
  // pixels out, may only go where the back buffer is black still.
  pixels::Ink frame_ink;
  TextStamps text_stamps;
  // The lit cells' pictures (as lit_cell_pictures) and a plain cell's square of
  // each state, as pixels.
  pixels::Picture lit_cell_pixels[kClusterStateCount][kGlowSteps];
  pixels::Picture plain_cell_pixels[kClusterStateCount];
  // Whole grid tiles (a cell's pitch-square from its halo's corner), black
  // included: each lit picture with and without the plain square over it, each
  // plain square alone, and an empty tile.
  pixels::Picture lit_tiles[kClusterStateCount][kGlowSteps][2];
  pixels::Picture plain_tiles[kClusterStateCount];
  pixels::Picture black_tile;
};
