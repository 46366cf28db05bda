// The pixel routines on the values the glow and shine pictures depend on.
#include <gtest/gtest.h>

#include <vector>

#include "core/image_processing.h"

using namespace imaging;

namespace {

std::vector<uint8_t> SolidImage(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = blue;
        pixels[i + 1] = green;
        pixels[i + 2] = red;
        pixels[i + 3] = 0x77;
    }
    return pixels;
}

struct Sums {
    std::vector<int> red, green, blue;
    Sums(const std::vector<uint8_t>& pixels, int width, int height)
        : red(width * height), green(width * height), blue(width * height) {
        BuildChannelSums(pixels.data(), width, height, red.data(), green.data(), blue.data());
    }
};

std::vector<uint8_t> Blur(const std::vector<uint8_t>& pixels, int width, int height, int radius) {
    Sums sums(pixels, width, height);
    std::vector<uint8_t> out(pixels.size(), 0xEE);
    BoxBlur(pixels.data(), width, height, out.data(), sums.red.data(), sums.green.data(), sums.blue.data(),
            radius, radius);
    return out;
}

}  // namespace

TEST(BlendTowards, MovesCellColoursTowardsWhite) {
    EXPECT_EQ(BlendTowards(0x656965, 0xFFFFFF, 33), 0x979A97u);
    EXPECT_EQ(BlendTowards(0x656965, 0xFFFFFF, 16), 0x7D817Du);
    EXPECT_EQ(BlendTowards(0x00008C, 0xFFFFFF, 16), 0x28289Eu);
    EXPECT_EQ(BlendTowards(0x00008C, 0xFFFFFF, 33), 0x5454B1u);
    EXPECT_EQ(BlendTowards(0x656965, 0xFFFFFF, 0), 0x656965u);
    EXPECT_EQ(BlendTowards(0x656965, 0x123456, 100), 0x123456u);
}

TEST(BlendShine, LevelAndBrightnessDecideHowMuchScreenShows) {
    const uint32_t screen = 0x204060;
    EXPECT_EQ(BlendShine(0xFFFFFF, screen, 0), 0xFFFFFFu);  // bright pixel, full sparkle
    for (int level : {0, 40, 100, 250}) EXPECT_EQ(BlendShine(0x000000, screen, level), screen) << level;
    for (uint32_t shine : {0x808080u, 0xFFFFFFu, 0x101010u})
        EXPECT_EQ(BlendShine(shine, screen, 100), screen) << shine;
    // s = 128 gives brightness 51: at level 0 the screen shows through by 49 percent.
    const int h = 128, c = 0x60;
    EXPECT_EQ(BlendShine(0x808080, screen, 0) & 0xFF, static_cast<uint32_t>(h - (h - c) * 49 / 100));
}

TEST(ChannelSums, SumEachChannelOverTheRectangleToTheOrigin) {
    std::vector<uint8_t> pixels = SolidImage(3, 2, 1, 2, 3);
    pixels[4 * 4 + 2] = 10;  // red of pixel (1, 1)
    Sums sums(pixels, 3, 2);
    EXPECT_EQ(sums.blue, (std::vector<int>{1, 2, 3, 2, 4, 6}));
    EXPECT_EQ(sums.green, (std::vector<int>{2, 4, 6, 4, 8, 12}));
    EXPECT_EQ(sums.red, (std::vector<int>{3, 6, 9, 6, 19, 25}));
}

TEST(SampleClamped, ClampsToTheTable) {
    const std::vector<int> table = {1, 2, 3, 4, 5, 6};  // 3 x 2
    EXPECT_EQ(SampleClamped(table.data(), 3, 2, -5, -5), 1);
    EXPECT_EQ(SampleClamped(table.data(), 3, 2, 3, 2), 6);
    EXPECT_EQ(SampleClamped(table.data(), 3, 2, 1, 1), 5);
    EXPECT_EQ(SampleClamped(table.data(), 3, 2, 7, -1), 3);
}

TEST(BoxBlur, RadiusThreeOfFullChannelGives187InsideAndClearsFourthByte) {
    const int w = 12, h = 12;
    const std::vector<uint8_t> out = Blur(SolidImage(w, h, 255, 255, 255), w, h, 3);
    const size_t inner = 4 * (6 * w + 6);
    EXPECT_EQ(out[inner], 187);
    EXPECT_EQ(out[inner + 1], 187);
    EXPECT_EQ(out[inner + 2], 187);
    EXPECT_EQ(out[inner + 3], 0);
    EXPECT_LT(out[0], 187);  // the clamped window darkens the edges
}

TEST(BoxBlur, RadiusZeroIsBlackAndNegativeRadiusCopies) {
    const std::vector<uint8_t> image = SolidImage(5, 4, 200, 100, 50);
    const std::vector<uint8_t> zero = Blur(image, 5, 4, 0);
    for (size_t i = 0; i < zero.size(); ++i) EXPECT_EQ(zero[i], 0) << i;
    EXPECT_EQ(Blur(image, 5, 4, -1), image);
}

TEST(BoxBlur, SinglePrecisionReciprocalRoundsExactMultiplesDown) {
    // A 7x7 window around (3, 3) holds 6x6 = 36 pixels; put the whole sum on one.
    for (int n : {1, 2, 3}) {
        std::vector<uint8_t> image = SolidImage(7, 7, 0, 0, 0);
        image[4 * (3 * 7 + 3)] = static_cast<uint8_t>(49 * n);
        const std::vector<uint8_t> out = Blur(image, 7, 7, 3);
        EXPECT_EQ(out[4 * (3 * 7 + 3)], n - 1) << n;
    }
}

TEST(Resample, PathsFollowTheSizes) {
    EXPECT_EQ(ChooseResamplePath(28, 28, 28, 28), ResamplePath::AreaAverage);
    EXPECT_EQ(ChooseResamplePath(28, 28, 14, 14), ResamplePath::Halving);
    EXPECT_EQ(ChooseResamplePath(28, 28, 35, 35), ResamplePath::Bilinear);
    EXPECT_EQ(ChooseResamplePath(28, 28, 35, 20), ResamplePath::AreaAverage);
}

TEST(Resample, SameSizeCopiesPixelsAndClearsFourthByte) {
    std::vector<uint32_t> source(28 * 28), target(28 * 28);
    for (size_t i = 0; i < source.size(); ++i) source[i] = 0xAB000000u | static_cast<uint32_t>(i * 2654435761u & 0xFFFFFF);
    ResampleBitmap(source.data(), 28, 28, target.data(), 28, 28);
    for (size_t i = 0; i < source.size(); ++i) ASSERT_EQ(target[i], source[i] & 0xFFFFFF) << i;
}

TEST(Resample, HalvingCarriesRemaindersAcrossPixels) {
    // Three 2x2 blocks (6x2 source) whose blue values add up to 3 each.
    std::vector<uint32_t> source = {1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1};
    std::vector<uint32_t> target(3, 0xDEADBEEF);
    ResampleBitmap(source.data(), 6, 2, target.data(), 3, 1);
    EXPECT_EQ(target, (std::vector<uint32_t>{0, 1, 1}));
}

TEST(Resample, BilinearKeepsTheOriginPixelAndStaysInRange) {
    std::vector<uint32_t> source(28 * 28);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i % 251) * 0x010101u;
    source[0] = 0xFF123456;
    std::vector<uint32_t> target(35 * 35);
    ResampleBitmap(source.data(), 28, 28, target.data(), 35, 35);
    EXPECT_EQ(target[0], 0x123456u);
}

TEST(Resample, OnePixelSidesReadOnlyTheSource) {
    // Guard words around the source catch any read outside it.
    std::vector<uint32_t> guarded = {0xFFFFFF, 0x102030, 0xFFFFFF};
    std::vector<uint32_t> target(4 * 3);
    ResampleBitmap(guarded.data() + 1, 1, 1, target.data(), 4, 3);
    for (uint32_t pixel : target) EXPECT_EQ(pixel, 0x102030u);

    std::vector<uint32_t> column = {0xFFFFFF, 0x000010, 0x000020, 0xFFFFFF};  // 1 wide, 2 high
    std::vector<uint32_t> wide(3 * 4);
    ResampleBitmap(column.data() + 1, 1, 2, wide.data(), 3, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_LE(wide[y * 3 + x], 0x20u) << x << "," << y;
}

TEST(Resample, ShrinkingAveragesTheSpan) {
    std::vector<uint32_t> source(28 * 28, 0x808080);
    std::vector<uint32_t> target(10 * 10);
    ResampleBitmap(source.data(), 28, 28, target.data(), 10, 10);
    for (uint32_t pixel : target) EXPECT_EQ(pixel, 0x808080u);
}

TEST(Resample, ScratchTablesGrowToTwiceTheWidthAndAreReused) {
    std::vector<uint32_t> source(28 * 28, 0x404040), target(1000 * 1000);
    // Bilinear path: the column table.
    const int wider = static_cast<int>(ResampleColumnCapacity()) + 40;
    ResampleBitmap(source.data(), 28, 28, target.data(), wider, 30);
    EXPECT_EQ(ResampleColumnCapacity(), static_cast<size_t>(2 * wider));
    ResampleBitmap(source.data(), 28, 28, target.data(), wider + 5, 30);
    EXPECT_EQ(ResampleColumnCapacity(), static_cast<size_t>(2 * wider));
    // Area path: the span table, grown by a width above its capacity.
    const int spans = static_cast<int>(ResampleSpanCapacity()) + 1;
    ResampleBitmap(source.data(), 28, 28, target.data(), spans, 20);
    EXPECT_EQ(ResampleSpanCapacity(), static_cast<size_t>(2 * spans));
    ResampleBitmap(source.data(), 28, 28, target.data(), spans, 10);
    EXPECT_EQ(ResampleSpanCapacity(), static_cast<size_t>(2 * spans));
}
