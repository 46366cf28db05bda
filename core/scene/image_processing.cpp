#include "core/scene/image_processing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {
namespace {

inline int Channel(uint32_t value, int shift) { return static_cast<int>((value >> shift) & 0xFF); }

inline uint32_t PackColorref(int red, int green, int blue) {
  return static_cast<uint32_t>(red & 0xFF) | (static_cast<uint32_t>(green & 0xFF) << 8) |
         (static_cast<uint32_t>(blue & 0xFF) << 16);
}

inline uint32_t PackPixel(uint32_t red, uint32_t green, uint32_t blue) {
  return ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
}

// Scratch tables shared by every resampler call, grown to twice the wanted
// width when too small and kept for the life of the process.
struct ScratchTable {
  std::vector<int32_t> entries;
  size_t capacity = 0;

  int32_t* Reserve(int wanted, int entries_per_column) {
    if (capacity < static_cast<size_t>(wanted)) {
      capacity = static_cast<size_t>(wanted) * 2;
      std::vector<int32_t>(capacity * entries_per_column).swap(entries);
    }
    return entries.data();
  }
};

ScratchTable g_resample_columns;  // bilinear path: source column, 8.8 fixed point
ScratchTable g_resample_spans;    // area path: source span start and end, 8.8

int WeightShift(int source_width, int source_height, int target_width, int target_height) {
  const float ratio =
      static_cast<float>((static_cast<double>(source_width) / target_width + 1.0) *
                         (static_cast<double>(source_height) / target_height + 1.0));
  float bound = ratio * 256.0f;
  bound = bound * 256.0f;
  bound = bound * 256.0f;
  bound = static_cast<float>(bound / 4294967040.0);
  if (!(bound > 1.0f)) return 0;
  const float log_bound = static_cast<float>(std::log(static_cast<double>(bound)));
  const float log_two = static_cast<float>(std::log(2.0));
  const float quotient = log_bound / log_two;
  const int shift = static_cast<int>(std::ceil(quotient));
  return std::min(shift, 15);
}

void Halve(const uint32_t* source, int source_width, uint32_t* target, int target_width,
           int target_height) {
  int carry[3] = {0, 0, 0};  // remainders of blue, green, red run on across the image
  for (int y = 0; y < target_height; ++y) {
    const uint32_t* row0 = source + static_cast<size_t>(2 * y) * source_width;
    const uint32_t* row1 = row0 + source_width;
    for (int x = 0; x < target_width; ++x) {
      const uint32_t block[4] = {row0[2 * x], row0[2 * x + 1], row1[2 * x], row1[2 * x + 1]};
      int out[3];
      for (int c = 0; c < 3; ++c) {
        int sum = carry[c];
        for (uint32_t pixel : block) sum += Channel(pixel, 8 * c);
        out[c] = sum / 4;
        carry[c] = sum % 4;
      }
      target[static_cast<size_t>(y) * target_width + x] = PackPixel(out[2], out[1], out[0]);
    }
  }
}

void EnlargeBilinear(const uint32_t* source, int source_width, int source_height, uint32_t* target,
                     int target_width, int target_height, float step_x, float step_y,
                     int weight_shift) {
  int32_t* columns = g_resample_columns.Reserve(target_width, 1);
  // The clamps keep the right and lower neighbours inside the source; a
  // 1-pixel side clamps to its only pixel instead of reading before it.
  const int max_cx = std::max(0, (source_width - 1) * 256 - 1);
  const int max_cy = std::max(0, (source_height - 1) * 256 - 1);
  for (int x = 0; x < target_width; ++x)
    columns[x] = std::min(static_cast<int>(static_cast<float>(x) * step_x), max_cx);

  for (int y = 0; y < target_height; ++y) {
    const int cy = std::min(static_cast<int>(static_cast<float>(y) * step_y), max_cy);
    const int iy = cy >> 8, fy = cy & 255;
    const int iy_next = std::min(iy + 1, source_height - 1);
    const uint32_t* upper = source + static_cast<size_t>(iy) * source_width;
    const uint32_t* lower = source + static_cast<size_t>(iy_next) * source_width;
    uint32_t* out_row = target + static_cast<size_t>(y) * target_width;
    for (int x = 0; x < target_width; ++x) {
      const int cx = columns[x];
      const int ix = cx >> 8, fx = cx & 255;
      const int ix_next = std::min(ix + 1, source_width - 1);
      const uint32_t w00 = static_cast<uint32_t>((256 - fx) * (256 - fy)) >> weight_shift;
      const uint32_t w10 = static_cast<uint32_t>(fx * (256 - fy)) >> weight_shift;
      const uint32_t w01 = static_cast<uint32_t>((256 - fx) * fy) >> weight_shift;
      const uint32_t w11 = static_cast<uint32_t>(fx * fy) >> weight_shift;
      const uint32_t p00 = upper[ix], p10 = upper[ix_next], p01 = lower[ix], p11 = lower[ix_next];
      uint32_t out[3];
      for (int c = 0; c < 3; ++c) {
        const int s = 8 * c;
        const uint32_t sum = w00 * Channel(p00, s) + w10 * Channel(p10, s) + w01 * Channel(p01, s) +
                             w11 * Channel(p11, s);
        out[c] = sum >> 16;
      }
      out_row[x] = PackPixel(out[2], out[1], out[0]);
    }
  }
}

// Weight of source pixel k within the span [start, end] (8.8 fixed point).
inline uint32_t SpanWeight(int k, int first, int last, int start, int end) {
  if (first == last) return 256;
  if (k == first) return static_cast<uint32_t>(256 - (start & 255));
  if (k == last) return static_cast<uint32_t>(end & 255);
  return 256;
}

void AverageAreas(const uint32_t* source, int source_width, int source_height, uint32_t* target,
                  int target_width, int target_height, float step_x, float step_y, bool enlarge_x,
                  bool enlarge_y, int weight_shift) {
  int32_t* spans = g_resample_spans.Reserve(target_width, 2);
  const int max_x1 = source_width * 256 - 1;
  const int max_y1 = source_height * 256 - 1;
  for (int x = 0; x < target_width; ++x) {
    const int x0 = static_cast<int>(static_cast<float>(x) * step_x);
    int x1 = enlarge_x ? x0 + 256 : static_cast<int>(static_cast<float>(x + 1) * step_x);
    spans[2 * x] = x0;
    spans[2 * x + 1] = std::min(x1, max_x1);
  }

  uint32_t* out = target;
  for (int y = 0; y < target_height; ++y) {
    const int y0 = static_cast<int>(static_cast<float>(y) * step_y);
    const int y1 = std::min(
        enlarge_y ? y0 + 256 : static_cast<int>(static_cast<float>(y + 1) * step_y), max_y1);
    const int iy0 = y0 >> 8, iy1 = y1 >> 8;
    for (int x = 0; x < target_width; ++x) {
      const int x0 = spans[2 * x], x1 = spans[2 * x + 1];
      const int ix0 = x0 >> 8, ix1 = x1 >> 8;
      // 64-bit sums give the 32-bit results wherever those do not wrap.
      uint64_t sum[3] = {0, 0, 0};
      uint64_t total = 0;
      for (int k = iy0; k <= iy1; ++k) {
        const uint32_t wy = SpanWeight(k, iy0, iy1, y0, y1);
        const uint32_t* row = source + static_cast<size_t>(k) * source_width;
        for (int l = ix0; l <= ix1; ++l) {
          const uint32_t w = (SpanWeight(l, ix0, ix1, x0, x1) * wy) >> weight_shift;
          const uint32_t pixel = row[l];
          for (int c = 0; c < 3; ++c) sum[c] += static_cast<uint64_t>(w) * Channel(pixel, 8 * c);
          total += w;
        }
      }
      if (total == 0) {
        *out++ = 0;
        continue;
      }
      *out++ =
          PackPixel(static_cast<uint32_t>(sum[2] / total), static_cast<uint32_t>(sum[1] / total),
                    static_cast<uint32_t>(sum[0] / total));
    }
  }
}

}  // namespace

uint32_t BlendColor(uint32_t from_color, uint32_t to_color, int percent) {
  int result[3];
  for (int c = 0; c < 3; ++c) {
    const int64_t f = Channel(from_color, 8 * c);
    const int64_t t = Channel(to_color, 8 * c);
    result[c] = static_cast<int>(f - (f - t) * percent / 100);
  }
  return PackColorref(result[0], result[1], result[2]);
}

uint32_t BlendShinePixel(uint32_t shine_color, uint32_t screen_color, int level) {
  const int s = Channel(shine_color, 0);
  const int brightness = (100 * s + 254) / 255;  // ceil(100 * s / 255)
  const int64_t amount =
      std::min<int64_t>(100, std::max<int64_t>(0, static_cast<int64_t>(level) + 100 - brightness));
  // amount is how much of the screen pixel shows through the shine pixel.
  return BlendColor(shine_color, screen_color, static_cast<int>(amount));
}

void BuildChannelSums(const uint8_t* pixels, int width, int height, int* red_sums, int* green_sums,
                      int* blue_sums) {
  int* tables[3] = {blue_sums, green_sums, red_sums};  // byte order of a pixel
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * width + x;
      for (int c = 0; c < 3; ++c) {
        int* t = tables[c];
        int value = pixels[4 * i + c];
        if (x > 0) value += t[i - 1];
        if (y > 0) value += t[i - width];
        if (x > 0 && y > 0) value -= t[i - width - 1];
        t[i] = value;
      }
    }
  }
}

int SampleClamped(const int* sums, int width, int height, int x, int y) {
  x = std::max(0, std::min(x, width - 1));
  y = std::max(0, std::min(y, height - 1));
  return sums[static_cast<size_t>(y) * width + x];
}

void BoxBlur(const uint8_t* pixels, int width, int height, uint8_t* blurred, const int* red_sums,
             const int* green_sums, const int* blue_sums, int radius_x, int radius_y) {
  if (width <= 0 || height <= 0) return;
  if (radius_x < 0 || radius_y < 0) {
    std::memcpy(blurred, pixels, static_cast<size_t>(width) * height * 4);
    return;
  }
  const int64_t count =
      (2 * static_cast<int64_t>(radius_x) + 1) * (2 * static_cast<int64_t>(radius_y) + 1);
  const float k = 1.0f / static_cast<float>(count);
  const int* tables[3] = {blue_sums, green_sums, red_sums};
  // Offsets are clamped by SampleClamped anyway; keep them inside int.
  const int rx = static_cast<int>(std::min<int64_t>(radius_x, static_cast<int64_t>(width) + 1));
  const int ry = static_cast<int>(std::min<int64_t>(radius_y, static_cast<int64_t>(height) + 1));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* out = blurred + 4 * (static_cast<size_t>(y) * width + x);
      for (int c = 0; c < 3; ++c) {
        const int* t = tables[c];
        const int sum = SampleClamped(t, width, height, x + rx, y + ry) +
                        SampleClamped(t, width, height, x - rx, y - ry) -
                        SampleClamped(t, width, height, x - rx, y + ry) -
                        SampleClamped(t, width, height, x + rx, y - ry);
        out[c] = static_cast<uint8_t>(static_cast<int>(sum * static_cast<double>(k)));
      }
      out[3] = 0;
    }
  }
}

ResamplePath ChooseResamplePath(int source_width, int source_height, int target_width,
                                int target_height) {
  if (source_width == 2 * target_width && source_height == 2 * target_height)
    return ResamplePath::Halving;
  if (source_width < target_width && source_height < target_height) return ResamplePath::Bilinear;
  return ResamplePath::AreaAverage;
}

void ResampleBitmap(const uint32_t* source, int source_width, int source_height, uint32_t* target,
                    int target_width, int target_height) {
  if (source_width < 1 || source_height < 1 || target_width < 1 || target_height < 1) return;
  const ResamplePath path =
      ChooseResamplePath(source_width, source_height, target_width, target_height);
  if (path == ResamplePath::Halving) {
    Halve(source, source_width, target, target_width, target_height);
    return;
  }
  const int weight_shift = WeightShift(source_width, source_height, target_width, target_height);
  const float step_x = static_cast<float>(source_width * 256) / static_cast<float>(target_width);
  const float step_y = static_cast<float>(source_height * 256) / static_cast<float>(target_height);
  if (path == ResamplePath::Bilinear) {
    EnlargeBilinear(source, source_width, source_height, target, target_width, target_height,
                    step_x, step_y, weight_shift);
  } else {
    AverageAreas(source, source_width, source_height, target, target_width, target_height, step_x,
                 step_y, source_width < target_width, source_height < target_height, weight_shift);
  }
}

size_t ResampleColumnCapacity() { return g_resample_columns.capacity; }
size_t ResampleSpanCapacity() { return g_resample_spans.capacity; }

}  // namespace imaging
