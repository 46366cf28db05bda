#include "core/scene/frame_pixels.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace pixels {

namespace {

// The fourth byte is no colour: a word is black when its three colour bytes are 0.
bool IsBlack(uint32_t word) { return (word & 0xFFFFFF) == 0; }

// Short copies, many of them a frame: inline, four words at a time.
inline void CopyWords(uint32_t* target, const uint32_t* source, int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
  for (; i < count; ++i) target[i] = source[i];
}

// Black runs shorter than this between two lit ones are copied with them: where
// a stamp goes the surface is black already, and one copy costs less than two.
constexpr int kStampGap = 8;

// Appends the runs of one row where `keep(column)` holds.
template <class Keep>
void AddRuns(int row, int width, Keep keep, std::vector<Run>* runs) {
  for (int column = 0; column < width;) {
    if (!keep(column)) {
      ++column;
      continue;
    }
    const int start = column;
    while (column < width && keep(column)) ++column;
    runs->push_back({row, start, column - start});
  }
}

void CopyRuns(const Surface& surface, const Picture& picture, const std::vector<Run>& runs, int x,
              int y) {
  uint32_t* origin = surface.words + static_cast<size_t>(y) * surface.width + x;
  for (const Run& run : runs)
    CopyWords(origin + static_cast<size_t>(run.row) * surface.width + run.column,
              picture.words.data() + static_cast<size_t>(run.row) * picture.width + run.column,
              run.length);
}

}  // namespace

Picture MakePicture(const uint32_t* words, int width, int height, bool bottom_up,
                    const uint8_t* covered) {
  Picture picture;
  if (words == nullptr || width <= 0 || height <= 0) return picture;
  picture.width = width;
  picture.height = height;
  picture.words.resize(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const size_t source_row = static_cast<size_t>(bottom_up ? height - 1 - row : row) * width;
    uint32_t* target = picture.words.data() + static_cast<size_t>(row) * width;
    std::memcpy(target, words + source_row, static_cast<size_t>(width) * sizeof(uint32_t));
    const uint8_t* flags = covered != nullptr ? covered + source_row : nullptr;
    auto set = [&](int column) { return flags == nullptr || flags[column] != 0; };
    AddRuns(row, width, set, &picture.covered);
  }
  return picture;
}

namespace {
bool Inside(const Surface& surface, int x, int y, int width, int height) {
  return surface.words != nullptr && x >= 0 && y >= 0 && x + width <= surface.width &&
         y + height <= surface.height;
}
}  // namespace

bool DrawPicture(const Surface& surface, const Picture& picture, int x, int y) {
  if (picture.empty() || !Inside(surface, x, y, picture.width, picture.height)) return false;
  CopyRuns(surface, picture, picture.covered, x, y);
  return true;
}

Picture ComposeTile(int size, const Picture* under, const Picture* over, int inset) {
  Picture tile;
  if (size <= 0 || (under != nullptr && (under->width > size || under->height > size)) ||
      (over != nullptr && (inset < 0 || inset + over->width > size || inset + over->height > size)))
    return tile;
  std::vector<uint32_t> words(static_cast<size_t>(size) * size, 0);
  const Surface surface = {words.data(), size, size};
  if (under != nullptr) CopyRuns(surface, *under, under->covered, 0, 0);
  if (over != nullptr) CopyRuns(surface, *over, over->covered, inset, inset);
  return MakePicture(words.data(), size, size, false);
}

Stamp MakeStamp(const uint32_t* words, int width, int height, int stride) {
  Stamp stamp;
  stamp.width = width;
  stamp.height = height;
  for (int row = 0; row < height; ++row) {
    const uint32_t* line = words + static_cast<size_t>(row) * stride;
    const size_t first = stamp.runs.size();
    AddRuns(
        row, width, [&](int column) { return !IsBlack(line[column]); }, &stamp.runs);
    size_t merged = first;
    for (size_t r = first; r < stamp.runs.size(); ++r) {
      Run& last = stamp.runs[merged];
      const Run& run = stamp.runs[r];
      if (r != first && run.column - (last.column + last.length) < kStampGap)
        last.length = run.column + run.length - last.column;
      else
        stamp.runs[r == first ? first : ++merged] = run;
    }
    if (stamp.runs.size() > first) stamp.runs.resize(merged + 1);
    for (size_t r = first; r < stamp.runs.size(); ++r)
      stamp.words.insert(stamp.words.end(), line + stamp.runs[r].column,
                         line + stamp.runs[r].column + stamp.runs[r].length);
  }
  return stamp;
}

void DrawStamp(const Surface& surface, const Stamp& stamp, int x, int y) {
  if (surface.words == nullptr) return;
  const uint32_t* source = stamp.words.data();
  for (const Run& run : stamp.runs) {
    const uint32_t* words = source;
    source += run.length;
    const int row = y + run.row;
    if (row < 0 || row >= surface.height) continue;
    const int first = std::max(x + run.column, 0);
    const int end = std::min(x + run.column + run.length, surface.width);
    if (first >= end) continue;
    CopyWords(surface.words + static_cast<size_t>(row) * surface.width + first,
              words + (first - x - run.column), end - first);
  }
}

bool Ink::Meets(const Box& box) const {
  for (const Box& inked : boxes_)
    if (inked.Meets(box)) return true;
  return false;
}

std::vector<Box> Subtract(const Box& whole, const std::vector<Box>& holes) {
  std::vector<Box> parts;
  if (whole.left >= whole.right || whole.top >= whole.bottom) return parts;
  // Bands between the holes' top and bottom edges; within a band the holes
  // that cross it cut out the same columns all the way down.
  std::vector<int> edges = {whole.top, whole.bottom};
  for (const Box& hole : holes) {
    if (!hole.Meets(whole)) continue;
    edges.push_back(std::max(hole.top, whole.top));
    edges.push_back(std::min(hole.bottom, whole.bottom));
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::vector<std::pair<int, int>> previous;  // the last band's open columns
  size_t previous_first = 0;                  // its boxes in `parts`
  for (size_t e = 0; e + 1 < edges.size(); ++e) {
    const int top = edges[e], bottom = edges[e + 1];
    std::vector<std::pair<int, int>> cut;
    for (const Box& hole : holes)
      if (hole.top <= top && hole.bottom >= bottom && hole.left < whole.right &&
          hole.right > whole.left)
        cut.push_back({std::max(hole.left, whole.left), std::min(hole.right, whole.right)});
    std::sort(cut.begin(), cut.end());
    std::vector<std::pair<int, int>> open;
    int x = whole.left;
    for (const auto& c : cut) {
      if (c.first > x) open.push_back({x, c.first});
      x = std::max(x, c.second);
    }
    if (x < whole.right) open.push_back({x, whole.right});
    if (open == previous && !open.empty()) {
      // The same columns as the band above: its boxes grow down.
      for (size_t i = previous_first; i < parts.size(); ++i) parts[i].bottom = bottom;
      continue;
    }
    previous_first = parts.size();
    for (const auto& o : open) parts.push_back({o.first, top, o.second, bottom});
    previous = open;
  }
  return parts;
}

void FillColumn(const Surface& surface, int x, int y_top, int y_bottom, uint32_t word) {
  if (surface.words == nullptr || x < 0 || x >= surface.width) return;
  const int top = std::max(y_top, 0), bottom = std::min(y_bottom, surface.height);
  for (int y = top; y < bottom; ++y)
    surface.words[static_cast<size_t>(y) * surface.width + x] = word;
}

}  // namespace pixels
