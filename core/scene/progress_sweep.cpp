#include "core/scene/progress_sweep.h"

#include <algorithm>

namespace sweep {
const uint32_t kGradient[kGradientSteps] = {
    0x000100, 0x000100, 0x000100, 0x000100, 0x000100, 0x000100, 0x000201, 0x000301, 0x000401,
    0x000401, 0x000501, 0x000501, 0x000602, 0x000602, 0x000702, 0x000802, 0x000903, 0x000A03,
    0x000B03, 0x000C03, 0x000D04, 0x000F04, 0x001005, 0x001105, 0x001205, 0x001406, 0x001606,
    0x001807, 0x001907, 0x001A08, 0x001D08, 0x001E09, 0x002009, 0x00210A, 0x00230A, 0x00240B,
    0x00260B, 0x00280D, 0x00280D, 0x002A0D, 0x002B0E, 0x002D0E, 0x002D0E, 0x002E0F, 0x002F0F,
    0x00300F, 0x00310F, 0x00310F, 0x003210, 0x003210, 0x003210, 0x003210, 0x003210,
};

int GradientIndex(int i, double scale) {
  if (!(scale > 0.0)) return 0;
  const double t = i / scale;
  if (!(t < kGradientSteps - 1)) return kGradientSteps - 1;
  return std::max(0, static_cast<int>(t));
}

int FillWidth(int bar_inner_width, int percent) {
  const int64_t fill = static_cast<int64_t>(bar_inner_width) * percent / 100;
  return static_cast<int>(
      std::max<int64_t>(0, std::min<int64_t>(fill, std::max(bar_inner_width, 0))));
}

bool HasPassedBar(int grid_width, int position, double scale) {
  return grid_width <= position - 2.0 * scale * 53.0;
}

int Advance(int position, int step, int grid_width, double scale) {
  position += step;
  if (position - static_cast<int>(4.0 * scale * 53.0) > grid_width)
    position = static_cast<int>(grid_width + 4.0 * scale * 53.0);
  return position;
}

bool IsBandStep(int i, double scale) { return i < 53.0 * scale; }

void BandColumns(int left, int position, double scale, int i, int* left_half_x, int* right_half_x) {
  const int band_width = static_cast<int>(2.0 * scale * 53.0);
  *left_half_x = left + position - band_width + i;
  *right_half_x = left + position - 1 - i;
}

}  // namespace sweep
