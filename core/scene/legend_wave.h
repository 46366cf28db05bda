// The legend row: its items, their centred placement, and the blink wave
// that runs along it. Pure, so the timing can be checked frame by frame.
#pragma once

#include <cstdint>

namespace legend {

constexpr int kItemCount = 6;
constexpr int kWavePauseSeconds = 2;

struct Item {
  int32_t state;  // ClusterState shown by the item
  const wchar_t* label;
};
// Items from left to right.
extern const Item kItems[kItemCount];

// Places the six squares: each next square follows the previous label plus
// (int)(29 * scale) pixels; the whole row is centred in client_width.
void LayoutRow(const int label_widths[kItemCount], double scale, int cell_size, int client_width,
               int legend_x[kItemCount], int* text_offset);

struct WaveState {
  int8_t* glow;  // kItemCount intensities
  int* frame;
  bool* running;
  int64_t* end_time;
};

// Starts a wave when due (active and kWavePauseSeconds after the last one).
void MaybeStartWave(const WaveState& wave, bool active, int64_t now);

// Intensity item i is drawn with this frame (0: plain), then its fade and the
// hand-over to item i + 1. Returns true when this ends the wave; the caller
// then records the end time. Call for i = 0..5 in order.
int LightItem(const WaveState& wave, bool active, int i, bool* wave_ended);

}  // namespace legend
