// Direct drawing into the back buffer's words: pictures that set only some of
// their pixels, whole grid tiles, text stamps cut at the surface's edges, and the
// clear's parts around what it leaves out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/scene/frame_pixels.h"

using namespace pixels;

namespace {

struct Words {
  int width, height;
  std::vector<uint32_t> words;
  Words(int w, int h, uint32_t fill)
      : width(w), height(h), words(static_cast<size_t>(w) * h, fill) {}
  Surface surface() { return {words.data(), width, height}; }
  uint32_t at(int x, int y) const { return words[static_cast<size_t>(y) * width + x]; }
};

}  // namespace

TEST(FramePixels, PicturesSetOnlyTheirCoveredPixelsAndTilesTheirWholeSquare) {
  // A 4x3 picture, bottom-up as a DIB holds it, whose corners are not covered.
  const uint32_t bottom_up[12] = {0x3, 0x0, 0x5, 0x6,   // bottom row
                                  0x0, 0x0, 0x0, 0x7,   // middle row: black is set too
                                  0x9, 0xA, 0x0, 0xC};  // top row
  const uint8_t covered[12] = {0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1, 0};
  const Picture picture = MakePicture(bottom_up, 4, 3, true, covered);
  Words target(6, 5, 0xEE);
  ASSERT_TRUE(DrawPicture(target.surface(), picture, 1, 1));
  const uint32_t expected[5][6] = {{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE},
                                   {0xEE, 0xEE, 0xA, 0x0, 0xEE, 0xEE},
                                   {0xEE, 0x0, 0x0, 0x0, 0x7, 0xEE},
                                   {0xEE, 0xEE, 0x0, 0x5, 0xEE, 0xEE},
                                   {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(expected[y][x], target.at(x, y)) << x << "," << y;
  // Not wholly on the surface: nothing is drawn.
  const std::vector<uint32_t> before = target.words;
  EXPECT_FALSE(DrawPicture(target.surface(), picture, 3, 0));
  EXPECT_FALSE(DrawPicture(target.surface(), picture, -1, 1));
  EXPECT_EQ(before, target.words);

  // A tile of side 6: black, the picture from its corner, then another from (2, 2).
  const uint32_t square[4] = {0x1, 0x1, 0x1, 0x1};
  const Picture over = MakePicture(square, 2, 2, false);
  const Picture tile = ComposeTile(6, &picture, &over, 2);
  ASSERT_EQ(6, tile.width);
  Words drawn(8, 8, 0xEE);
  ASSERT_TRUE(DrawPicture(drawn.surface(), tile, 1, 1));
  EXPECT_EQ(0u, drawn.at(1, 1));  // a corner the picture leaves: black, as cleared
  EXPECT_EQ(0xAu, drawn.at(2, 1));
  EXPECT_EQ(0x1u, drawn.at(3, 3));  // the second picture over the first
  EXPECT_EQ(0x1u, drawn.at(4, 4));
  EXPECT_EQ(0u, drawn.at(6, 6));                            // the tile's far corner
  EXPECT_EQ(0xEEu, drawn.at(7, 7));                         // outside the tile
  EXPECT_TRUE(ComposeTile(5, &picture, &over, 4).empty());  // does not fit
}

TEST(FramePixels, StampsCopyTheirLitRunsAndStopAtTheSurfacesEdges) {
  // One row of a text on black: lit runs with short and long black gaps.
  std::vector<uint32_t> row(40, 0);
  for (int x : {2, 3, 7, 8, 9, 30, 31}) row[x] = 0x100 + x;
  const Stamp stamp = MakeStamp(row.data(), 40, 1, 40);
  ASSERT_EQ(2u, stamp.runs.size());  // the gap of three joins the first two runs
  EXPECT_EQ(2, stamp.runs[0].column);
  EXPECT_EQ(8, stamp.runs[0].length);
  for (int x : {-5, 0, 20}) {
    Words target(30, 2, 0);
    DrawStamp(target.surface(), stamp, x, 1);
    for (int column = 0; column < 30; ++column) {
      const int source = column - x;
      const uint32_t want = source >= 0 && source < 40 ? row[source] : 0;
      EXPECT_EQ(want, target.at(column, 1)) << x << ": " << column;
      EXPECT_EQ(0u, target.at(column, 0));
    }
  }
}

TEST(FramePixels, TheClearsPartsCoverAllButWhatItLeavesOutOnce) {
  srand(11);
  for (int trial = 0; trial < 200; ++trial) {
    const Box whole = {rand() % 5, rand() % 5, 20 + rand() % 10, 16 + rand() % 10};
    std::vector<Box> holes;
    for (int n = rand() % 6; n > 0; --n) {
      const int x = rand() % 34 - 2, y = rand() % 30 - 2;
      holes.push_back({x, y, x + 1 + rand() % 15, y + 1 + rand() % 12});
    }
    std::vector<int> count(32 * 32, 0);
    for (const Box& part : Subtract(whole, holes))
      for (int y = part.top; y < part.bottom; ++y)
        for (int x = part.left; x < part.right; ++x) ++count[y * 32 + x];
    int wrong = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        bool in_hole = false;
        for (const Box& hole : holes) in_hole = in_hole || hole.Meets({x, y, x + 1, y + 1});
        const bool in_whole = whole.Meets({x, y, x + 1, y + 1});
        wrong += count[y * 32 + x] != (in_whole && !in_hole ? 1 : 0);
      }
    EXPECT_EQ(0, wrong) << "trial " << trial;
  }
}
