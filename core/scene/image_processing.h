// Pixel and colour routines behind the scene's light effects: colour blends
// used every frame, and the blur and resampler that prepare the glow and
// shine pictures once at start-up. They touch no scene state, so tests call
// them directly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

// Colours are COLORREF-shaped (0x00BBGGRR); pixels of 32-bit buffers are
// little-endian words 0xXXRRGGBB (blue in the low byte), rows bottom-up.
// Free functions under the names the scene's routines have always had: none
// of them needs the scene.

// from_color moved towards to_color by percent; each channel
// f - (f - t) * percent / 100, low 8 bits kept.
uint32_t BlendColor(uint32_t from_color, uint32_t to_color, int percent);

// One pixel of the grey shine picture laid over a screen pixel: level 0 is the
// full sparkle, 100 (or more) leaves the screen pixel as it is.
uint32_t BlendShinePixel(uint32_t shine_color, uint32_t screen_color, int level);

// Summed-area tables of the three colour channels of a width x height
// 32-bit buffer (blue, green, red bytes; the fourth is ignored).
void BuildChannelSums(const uint8_t* pixels, int width, int height, int* red_sums, int* green_sums,
                      int* blue_sums);

// Table entry at (x, y), both clamped into the table.
int SampleClamped(const int* sums, int width, int height, int x, int y);

// Box blur read from the channel tables. The window covers 2r x 2r pixels
// while the divisor counts (2r + 1)^2, which darkens the halo on purpose.
// A negative radius copies the buffer unchanged.
void BoxBlur(const uint8_t* pixels, int width, int height, uint8_t* blurred, const int* red_sums,
             const int* green_sums, const int* blue_sums, int radius_x, int radius_y);

// Scales a 32-bit picture: exact halving, bilinear enlargement, or area
// averaging, chosen by the sizes. Sizes below 1 leave the target untouched.
void ResampleBitmap(const uint32_t* source, int source_width, int source_height, uint32_t* target,
                    int target_width, int target_height);

// Which path ResampleBitmap takes for these sizes.
enum class ResamplePath { Halving, Bilinear, AreaAverage };
ResamplePath ChooseResamplePath(int source_width, int source_height, int target_width,
                                int target_height);

// Capacities of the resampler's scratch tables, which survive between calls.
size_t ResampleColumnCapacity();
size_t ResampleSpanCapacity();

}  // namespace imaging
