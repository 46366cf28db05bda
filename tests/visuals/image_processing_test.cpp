// The pixel routines on the values the glow and shine pictures depend on.
#include <gtest/gtest.h>

#include <vector>

#include "core/image_processing.h"

using namespace imaging;

namespace {

std::vector<uint8_t> SolidImage(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), {blue, green, red, 0x77});
  return pixels;
}

std::vector<uint8_t> Blur(const std::vector<uint8_t>& pixels, int width, int height, int radius) {
  std::vector<int> red(width * height), green(width * height), blue(width * height);
  BuildChannelSums(pixels.data(), width, height, red.data(), green.data(), blue.data());
  std::vector<uint8_t> out(pixels.size(), 0xEE);
  BoxBlur(pixels.data(), width, height, out.data(), red.data(), green.data(), blue.data(), radius,
          radius);
  return out;
}

}  // namespace

TEST(ColourBlends, CellOutlinesAndShinePixels) {
  const struct {
    uint32_t from, to;
    int percent;
    uint32_t expected;
  } blends[] = {
      {0x656965, 0xFFFFFF, 33, 0x979A97}, {0x656965, 0xFFFFFF, 16, 0x7D817D},
      {0x00008C, 0xFFFFFF, 16, 0x28289E}, {0x00008C, 0xFFFFFF, 33, 0x5454B1},
      {0x656965, 0xFFFFFF, 0, 0x656965},  {0x656965, 0x123456, 100, 0x123456},
  };
  for (const auto& b : blends)
    EXPECT_EQ(BlendTowards(b.from, b.to, b.percent), b.expected) << b.percent;

  const uint32_t screen = 0x204060;
  EXPECT_EQ(BlendShine(0xFFFFFF, screen, 0), 0xFFFFFFu);  // bright pixel, full sparkle
  for (int level : {0, 40, 100, 250})
    EXPECT_EQ(BlendShine(0x000000, screen, level), screen) << level;
  for (uint32_t shine : {0x808080u, 0xFFFFFFu, 0x101010u})
    EXPECT_EQ(BlendShine(shine, screen, 100), screen) << shine;
  // s = 128 gives brightness 51: at level 0 the screen shows through by 49 percent.
  EXPECT_EQ(BlendShine(0x808080, screen, 0) & 0xFF,
            static_cast<uint32_t>(128 - (128 - 0x60) * 49 / 100));
}

TEST(ChannelSums, SumEachChannelToTheOriginAndSampleClamped) {
  std::vector<uint8_t> pixels = SolidImage(3, 2, 1, 2, 3);
  pixels[4 * 4 + 2] = 10;  // red of pixel (1, 1)
  std::vector<int> red(6), green(6), blue(6);
  BuildChannelSums(pixels.data(), 3, 2, red.data(), green.data(), blue.data());
  EXPECT_EQ(blue, (std::vector<int>{1, 2, 3, 2, 4, 6}));
  EXPECT_EQ(green, (std::vector<int>{2, 4, 6, 4, 8, 12}));
  EXPECT_EQ(red, (std::vector<int>{3, 6, 9, 6, 19, 25}));
  EXPECT_EQ(SampleClamped(red.data(), 3, 2, -5, -5), 3);
  EXPECT_EQ(SampleClamped(red.data(), 3, 2, 3, 2), 25);
  EXPECT_EQ(SampleClamped(red.data(), 3, 2, 7, -1), 9);
}

TEST(BoxBlur, WindowOverTheLargerCountAndEdgeCases) {
  const std::vector<uint8_t> full = Blur(SolidImage(12, 12, 255, 255, 255), 12, 12, 3);
  const size_t inner = 4 * (6 * 12 + 6);
  EXPECT_EQ(std::vector<uint8_t>(full.begin() + inner, full.begin() + inner + 4),
            (std::vector<uint8_t>{187, 187, 187, 0}));
  EXPECT_LT(full[0], 187);  // the clamped window darkens the edges

  const std::vector<uint8_t> image = SolidImage(5, 4, 200, 100, 50);
  EXPECT_EQ(Blur(image, 5, 4, 0), std::vector<uint8_t>(image.size(), 0));  // the corners cancel
  EXPECT_EQ(Blur(image, 5, 4, -1), image);                                 // negative radius copies

  // A 7x7 window around (3, 3) sums 6x6 pixels; a sum of 49 * n gives n - 1
  // through the single-precision reciprocal of 49.
  for (int n : {1, 2, 3}) {
    std::vector<uint8_t> one = SolidImage(7, 7, 0, 0, 0);
    one[4 * (3 * 7 + 3)] = static_cast<uint8_t>(49 * n);
    EXPECT_EQ(Blur(one, 7, 7, 3)[4 * (3 * 7 + 3)], n - 1) << n;
  }
}

TEST(Resample, PathsByTheSizesTheirValuesAndOnePixelSides) {
  EXPECT_EQ(ChooseResamplePath(28, 28, 28, 28), ResamplePath::AreaAverage);
  EXPECT_EQ(ChooseResamplePath(28, 28, 14, 14), ResamplePath::Halving);
  EXPECT_EQ(ChooseResamplePath(28, 28, 35, 35), ResamplePath::Bilinear);
  EXPECT_EQ(ChooseResamplePath(28, 28, 35, 20), ResamplePath::AreaAverage);

  // Same size: every pixel copied, the fourth byte cleared.
  std::vector<uint32_t> source(28 * 28), same(28 * 28);
  for (size_t i = 0; i < source.size(); ++i)
    source[i] = 0xAB000000u | static_cast<uint32_t>(i * 2654435761u & 0xFFFFFF);
  source[0] = 0xFF123456;
  ResampleBitmap(source.data(), 28, 28, same.data(), 28, 28);
  for (size_t i = 0; i < source.size(); ++i) ASSERT_EQ(same[i], source[i] & 0xFFFFFF) << i;

  // Bilinear: the origin pixel maps onto the origin.
  std::vector<uint32_t> larger(35 * 35);
  ResampleBitmap(source.data(), 28, 28, larger.data(), 35, 35);
  EXPECT_EQ(larger[0], 0x123456u);

  // Halving: three 2x2 blocks whose blue values add up to 3 each; remainders carry on.
  const std::vector<uint32_t> blocks = {1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1};
  std::vector<uint32_t> halved(3, 0xDEADBEEF);
  ResampleBitmap(blocks.data(), 6, 2, halved.data(), 3, 1);
  EXPECT_EQ(halved, (std::vector<uint32_t>{0, 1, 1}));

  // Shrinking averages each span.
  const std::vector<uint32_t> grey(28 * 28, 0x808080);
  std::vector<uint32_t> smaller(10 * 10);
  ResampleBitmap(grey.data(), 28, 28, smaller.data(), 10, 10);
  EXPECT_EQ(smaller, std::vector<uint32_t>(100, 0x808080));

  // One-pixel sides: guard words around the source catch any read outside it.
  const std::vector<uint32_t> dot = {0xFFFFFF, 0x102030, 0xFFFFFF};
  std::vector<uint32_t> target(4 * 3);
  ResampleBitmap(dot.data() + 1, 1, 1, target.data(), 4, 3);
  EXPECT_EQ(target, std::vector<uint32_t>(12, 0x102030));

  const std::vector<uint32_t> column = {0xFFFFFF, 0x000010, 0x000020, 0xFFFFFF};  // 1 wide, 2 high
  std::vector<uint32_t> wide(3 * 4);
  ResampleBitmap(column.data() + 1, 1, 2, wide.data(), 3, 4);
  for (uint32_t pixel : wide) EXPECT_LE(pixel, 0x20u);
}

TEST(Resample, ScratchTablesGrowToTwiceTheWidthAndAreReused) {
  std::vector<uint32_t> source(28 * 28, 0x404040), target(1000 * 1000);
  const int wider = static_cast<int>(ResampleColumnCapacity()) + 40;  // bilinear: the column table
  ResampleBitmap(source.data(), 28, 28, target.data(), wider, 30);
  ResampleBitmap(source.data(), 28, 28, target.data(), wider + 5, 30);
  EXPECT_EQ(ResampleColumnCapacity(), static_cast<size_t>(2 * wider));
  const int spans = static_cast<int>(ResampleSpanCapacity()) + 1;  // area path: the span table
  ResampleBitmap(source.data(), 28, 28, target.data(), spans, 20);
  ResampleBitmap(source.data(), 28, 28, target.data(), spans, 10);
  EXPECT_EQ(ResampleSpanCapacity(), static_cast<size_t>(2 * spans));
}
