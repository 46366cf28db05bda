// The pixel routines on the values the glow and shine pictures depend on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/scene/image_processing.h"

using namespace imaging;

namespace {

std::vector<uint8_t> SolidImage(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), {blue, green, red, 0x77});
  return pixels;
}

// The bilinear and area rules of the resampler written out plainly, pixel by
// pixel (sizes of the halving path are left out): 8.8 fixed-point positions from
// a single-precision step; both sides growing weigh four neighbours, any other
// case averages the source pixels under each target pixel's span.
std::vector<uint32_t> ResampleByTheRules(const std::vector<uint32_t>& source, int sw, int sh,
                                         int tw, int th) {
  auto channel = [&](int x, int y, int c) -> uint32_t {
    return (source[static_cast<size_t>(y) * sw + x] >> (8 * c)) & 0xFF;
  };
  const float step_x = static_cast<float>(sw * 256.0 / tw);
  const float step_y = static_cast<float>(sh * 256.0 / th);
  const bool grow_x = sw < tw, grow_y = sh < th;
  std::vector<uint32_t> target;
  if (grow_x && grow_y) {
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) {
        const int cx = std::min(static_cast<int>(x * step_x), (sw - 1) * 256 - 1);
        const int cy = std::min(static_cast<int>(y * step_y), (sh - 1) * 256 - 1);
        const int ix = cx >> 8, fx = cx & 255, iy = cy >> 8, fy = cy & 255;
        uint32_t pixel = 0;
        for (int c = 0; c < 3; ++c) {
          const uint32_t sum = channel(ix, iy, c) * (256 - fx) * (256 - fy) +
                               channel(ix + 1, iy, c) * fx * (256 - fy) +
                               channel(ix, iy + 1, c) * (256 - fx) * fy +
                               channel(ix + 1, iy + 1, c) * fx * fy;
          pixel |= (sum >> 16) << (8 * c);
        }
        target.push_back(pixel);
      }
    return target;
  }
  // Large shrinks lower every weight so that 32-bit sums cannot overflow.
  const float ratio = static_cast<float>((static_cast<double>(sw) / tw + 1.0) *
                                         (static_cast<double>(sh) / th + 1.0));
  float bound = ratio * 256.0f;
  bound *= 256.0f;
  bound *= 256.0f;
  bound = static_cast<float>(bound / 4294967040.0);
  int shift = 0;
  if (bound > 1.0f) {
    const float log_bound = static_cast<float>(std::log(bound)),
                log_two = static_cast<float>(std::log(2.0));
    shift = std::min(15, static_cast<int>(std::ceil(log_bound / log_two)));
  }
  auto span = [](int i, float step, bool grow, int size, int* start, int* end) {
    *start = static_cast<int>(i * step);
    *end = std::min(grow ? *start + 256 : static_cast<int>((i + 1) * step), size * 256 - 1);
  };
  auto weight = [](int k, int start, int end) {
    if (start >> 8 == end >> 8) return 256;
    if (k == start >> 8) return 256 - (start & 255);
    return k == end >> 8 ? end & 255 : 256;
  };
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < tw; ++x) {
      int x0, x1, y0, y1;
      span(x, step_x, grow_x, sw, &x0, &x1);
      span(y, step_y, grow_y, sh, &y0, &y1);
      uint64_t sum[3] = {}, total = 0;
      for (int k = y0 >> 8; k <= y1 >> 8; ++k)
        for (int l = x0 >> 8; l <= x1 >> 8; ++l) {
          const uint64_t w = static_cast<uint32_t>(weight(l, x0, x1) * weight(k, y0, y1)) >> shift;
          for (int c = 0; c < 3; ++c) sum[c] += w * channel(l, k, c);
          total += w;
        }
      uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) pixel |= static_cast<uint32_t>(sum[c] / total) << (8 * c);
      target.push_back(pixel);
    }
  return target;
}

std::vector<uint32_t> Resampled(const std::vector<uint32_t>& source, int sw, int sh, int tw,
                                int th) {
  std::vector<uint32_t> target(static_cast<size_t>(tw) * th, 0xDEADBEEF);
  ResampleBitmap(source.data(), sw, sh, target.data(), tw, th);
  return target;
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
    EXPECT_EQ(BlendColor(b.from, b.to, b.percent), b.expected) << b.percent;

  const uint32_t screen = 0x204060;
  EXPECT_EQ(BlendShinePixel(0xFFFFFF, screen, 0), 0xFFFFFFu);  // bright pixel, full sparkle
  for (int level : {0, 40, 100, 250})
    EXPECT_EQ(BlendShinePixel(0x000000, screen, level), screen) << level;
  for (uint32_t shine : {0x808080u, 0xFFFFFFu, 0x101010u})
    EXPECT_EQ(BlendShinePixel(shine, screen, 100), screen) << shine;
  // s = 128 gives brightness 51: at level 0 the screen shows through by 49 percent.
  EXPECT_EQ(BlendShinePixel(0x808080, screen, 0) & 0xFF,
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

  // Halving: three 2x2 blocks whose blue values add up to 3 each; remainders carry on.
  const std::vector<uint32_t> blocks = {1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1};
  std::vector<uint32_t> halved(3, 0xDEADBEEF);
  ResampleBitmap(blocks.data(), 6, 2, halved.data(), 3, 1);
  EXPECT_EQ(halved, (std::vector<uint32_t>{0, 1, 1}));

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

TEST(Resample, WholeImagesFollowTheBilinearAndAreaRules) {
  // Worked by hand. 2x2 to 3x3: the target columns sit at source columns 0, 170/256
  // and 255/256 (clamped), the rows alike; blue lies only in the right neighbour,
  // green in the lower one, red in the diagonal one.
  const std::vector<uint32_t> corners = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000};
  const std::vector<uint32_t> enlarged = {0x000000, 0x0000A9, 0x0000FE, 0x00A900, 0x703838,
                                          0xA80055, 0x00FE00, 0xA85500, 0xFD0000};
  // 3x3 to 2x2 (blue 10 x + 100 y): columns 0-1 weigh 256 and 128, columns 1-2 128
  // and 255, the rows alike.
  const std::vector<uint32_t> ramp = {0, 10, 20, 100, 110, 120, 200, 210, 220};
  const std::vector<uint32_t> averaged = {36, 49, 169, 183};
  EXPECT_EQ(Resampled(corners, 2, 2, 3, 3), enlarged);
  EXPECT_EQ(ResampleByTheRules(corners, 2, 2, 3, 3), enlarged);
  EXPECT_EQ(Resampled(ramp, 3, 3, 2, 2), averaged);
  EXPECT_EQ(ResampleByTheRules(ramp, 3, 3, 2, 2), averaged);

  // Whole pictures of noise: the shine's enlargements at 1280 and 1920 wide, shrinks
  // (one large enough to lower the weights), one side growing while the other shrinks.
  const int sizes[][4] = {{28, 28, 35, 35}, {28, 28, 47, 47},  {3, 5, 7, 6}, {28, 28, 20, 20},
                          {28, 28, 5, 5},   {5, 4, 3, 3},      {7, 3, 9, 2}, {2, 7, 5, 3},
                          {28, 28, 29, 28}, {300, 300, 10, 10}};
  for (const auto& size : sizes) {
    std::vector<uint32_t> noise(static_cast<size_t>(size[0]) * size[1]);
    for (size_t i = 0; i < noise.size(); ++i)
      noise[i] = 0x5A000000u | static_cast<uint32_t>((i + 7) * 2654435761u >> 8 & 0xFFFFFF);
    EXPECT_EQ(Resampled(noise, size[0], size[1], size[2], size[3]),
              ResampleByTheRules(noise, size[0], size[1], size[2], size[3]))
        << size[0] << "x" << size[1] << " to " << size[2] << "x" << size[3];
  }
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
