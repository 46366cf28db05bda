// The progress bar's fill width and the bright band that sweeps along it.
#pragma once

#include <cstdint>

namespace sweep {

constexpr int kGradientSteps = 53;
constexpr int kRestartPauseSeconds = 3;

// Red and green increments (COLORREF-shaped, blue 0) from the band's edge
// (entry 0) to its middle (entry 52).
extern const uint32_t kGradient[kGradientSteps];

// Gradient entry of band column i at this scale, always inside the table.
int GradientIndex(int i, double scale);

// Fill of the bar's inside for percent, clamped to 0..bar_inner_width
// (the engine may report any value).
int FillWidth(int bar_inner_width, int percent);

// True once the band has wholly passed the bar's right end.
bool HasPassedBar(int grid_width, int position, double scale);

// Position after one frame's step, kept from running far past the bar.
int Advance(int position, int step, int grid_width, double scale);

// Band columns of step i: the left half's column and the right half's column
// (x of the band's right edge is left + position - 1).
void BandColumns(int left, int position, double scale, int i, int* left_half_x, int* right_half_x);

// Number of steps i (0 <= i < 53 * scale).
bool IsBandStep(int i, double scale);

}  // namespace sweep
