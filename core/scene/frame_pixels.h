// Direct drawing into the scene's back buffer, a 32-bit top-down DIB section:
// prepared pictures copied as they are, tiles of the cell grid composed whole,
// the non-black runs of texts, and one-colour columns. The same pixels as the
// GDI calls they stand in for (an opaque BitBlt, a pen's rectangle, a 1-pixel
// pen's line), without a call per cell. Pure, so tests check it without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixels {

// A drawing surface: width x height words 0x00RRGGBB, top row first.
struct Surface {
  uint32_t* words = nullptr;
  int width = 0;
  int height = 0;
};

// A run of words in one row of a picture.
struct Run {
  int row;
  int column;
  int length;
};

// A prepared picture: the pixels a drawing sets, and which of them it sets.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> words;  // top row first
  std::vector<Run> covered;     // the pixels the drawing sets
  bool empty() const { return words.empty(); }
};

// The picture of width x height words; `bottom_up` rows come last row first
// (a DIB with a positive height). Words are kept whole, fourth byte and all.
// `covered` (width x height flags in the same row order, or null for all) tells
// which pixels the drawing sets; the others it leaves as they are.
Picture MakePicture(const uint32_t* words, int width, int height, bool bottom_up,
                    const uint8_t* covered = nullptr);

// Draws the picture with its top-left corner at (x, y): the pixels it sets.
// False, with nothing drawn, when the picture does not lie wholly on the surface.
bool DrawPicture(const Surface& surface, const Picture& picture, int x, int y);

// A square tile of side `size` that sets all its pixels: black, then `under` (or
// nothing) from the tile's corner and `over` (or nothing) from (inset, inset),
// each where it sets pixels. Empty when the pictures do not fit in the tile.
Picture ComposeTile(int size, const Picture* under, const Picture* over, int inset);

// Only the non-black runs of a picture (black gaps of a few pixels between two of
// them included), their words packed in run order: what a text leaves on a
// black surface, kept for as long as the text is shown.
struct Stamp {
  int width = 0;
  int height = 0;
  std::vector<Run> runs;
  std::vector<uint32_t> words;
};

// The non-black runs of width x height words (top row first), with `stride` words
// from one row to the next.
Stamp MakeStamp(const uint32_t* words, int width, int height, int stride);

// Writes the stamp's runs with its top-left corner at (x, y), those parts on the
// surface: the picture it was made from, where the surface is black below it.
void DrawStamp(const Surface& surface, const Stamp& stamp, int x, int y);

// A rectangle of pixels, right and bottom edges excluded.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Meets(const Box& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

// What a frame has drawn so far, as boxes that hold it: where the back buffer is
// known to be still black after the clear.
class Ink {
 public:
  void Clear() { boxes_.clear(); }
  void Add(const Box& box) { boxes_.push_back(box); }
  bool Meets(const Box& box) const;
  const std::vector<Box>& boxes() const { return boxes_; }

 private:
  std::vector<Box> boxes_;
};

// The parts of `whole` outside every hole, as boxes that do not overlap.
std::vector<Box> Subtract(const Box& whole, const std::vector<Box>& holes);

// Sets the pixels (x, y_top) to (x, y_bottom - 1) to `word`, those on the surface.
void FillColumn(const Surface& surface, int x, int y_top, int y_bottom, uint32_t word);

// The surface word of a COLORREF (0x00BBGGRR), and back.
inline uint32_t WordOf(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
inline uint32_t ColorOf(uint32_t word) { return WordOf(word & 0xFFFFFF); }

}  // namespace pixels
