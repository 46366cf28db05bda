// The frame's texts drawn from stamps. A text shown in the same colour in three
// frames running is rendered on black in a scratch bitmap with the back buffer's
// font and settings, and from then on its non-black runs are copied into the
// back buffer: the pixels TextOutW would give there, as long as the back buffer
// is still black where the text goes. Where it is not, and while a text changes
// from frame to frame, the text is drawn with TextOutW itself.
//
// A stamped text that stands where it stood in the frame before, with nothing
// else drawn where it lies in either frame, is kept: the back buffer still
// holds it, so the clear leaves it out and it is not drawn again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/scene/frame_pixels.h"

class TextStamps {
 public:
  TextStamps() = default;
  TextStamps(const TextStamps&) = delete;
  TextStamps& operator=(const TextStamps&) = delete;
  ~TextStamps() { Release(); }

  // Renders like `dc` (its font, background colour and mode, alignment).
  // False without a scratch DC: every text is then drawn with TextOutW.
  bool Prepare(HDC dc);
  void Release();

  // Draws `text` with its top-left corner at (x, y) on `dc`, whose pixels are
  // `surface` (none: TextOutW only), in `color`, and adds what it touches to `ink`.
  void Draw(HDC dc, const pixels::Surface& surface, pixels::Ink* ink, int x, int y,
            const std::wstring& text, COLORREF color);

  // What drawing `text` at (x, y) in `color` on `dc` now may touch (a box that
  // holds it), before it is drawn.
  pixels::Box Reach(HDC dc, int x, int y, const std::wstring& text, COLORREF color);

  // Before a frame is cleared: true when the text at (x, y) can stay as the frame
  // before left it, `others` being everything else this frame will draw. Draw
  // then leaves it as it is; the clear must leave out its Reach.
  bool Keep(int x, int y, const std::wstring& text, COLORREF color, const pixels::Ink& others);

  // Ends a frame that drew `ink` on `dc`: stamps of texts not shown in it are
  // dropped (and a kept text that was not drawn is cleared with `black`).
  void EndFrame(HDC dc, HBRUSH black, const pixels::Ink& ink);

  // How many texts are held as stamps (tests).
  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::wstring text;
    COLORREF color = 0;
    bool contained = false;  // what the text touches lies well inside the scratch
    pixels::Box touched;     // what TextOutW changes, from the text's origin
    pixels::Stamp stamp;     // its pixels on black over `touched`
    bool shown = false;
    // Where it was stamped in this frame and in the frame before, if it was.
    bool stamped = false, stamped_before = false;
    int x = 0, y = 0, x_before = 0, y_before = 0;
    bool kept = false;        // stays as the frame before left it, at (x_before, y_before)
    bool kept_drawn = false;  // and this frame's drawing came to it
  };
  struct Shown {
    std::wstring text;
    COLORREF color;
    int frames;  // frames running in which it was drawn with TextOutW
  };

  Entry* Find(const std::wstring& text, COLORREF color);
  Shown* FindShown(std::vector<Shown>& list, const std::wstring& text, COLORREF color);
  Entry* Render(const std::wstring& text, COLORREF color);
  static pixels::Box EntryReach(const Entry& entry, int x, int y);
  // The box around a text drawn with TextOutW: its cell box and the margin.
  pixels::Box DirectReach(HDC dc, int x, int y, const std::wstring& text) const;
  bool EnsureScratch(int width, int height);
  void RenderOn(COLORREF background, int width, int height, const std::wstring& text,
                COLORREF color);

  HDC scratch_dc_ = nullptr;
  HBITMAP scratch_bitmap_ = nullptr;
  HGDIOBJ scratch_old_bitmap_ = nullptr;
  HGDIOBJ scratch_old_font_ = nullptr;
  uint32_t* scratch_words_ = nullptr;
  int scratch_width_ = 0, scratch_height_ = 0;
  int margin_ = 0;       // room around a text's cell box for glyphs that reach beyond it
  int line_height_ = 0;  // the font's cell height
  std::vector<Entry> entries_;
  std::vector<Shown> shown_directly_, shown_directly_before_;
  std::vector<pixels::Box> ink_before_;  // everything the frame before drew
};
