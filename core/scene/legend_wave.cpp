#include "core/scene/legend_wave.h"

#include "core/scene/saver_scene.h"

namespace legend {

const Item kItems[kItemCount] = {
    {NotFragmented, L"Not fragmented"},
    {Defragmented, L"Defragmented"},
    {FreeSpace, L"Free space"},
    {Fragmented, L"Fragmented"},
    {MasterFileTable, L"Master File Table"},
    {Processing, L"Processing"},
};

void LayoutRow(const int label_widths[kItemCount], double scale, int cell_size, int client_width,
               int legend_x[kItemCount], int* text_offset) {
  const int spacing = static_cast<int>(29.0 * scale);
  *text_offset = static_cast<int>(8.0 * scale) + cell_size;
  legend_x[0] = 0;
  for (int i = 1; i < kItemCount; ++i)
    legend_x[i] = legend_x[i - 1] + *text_offset + label_widths[i - 1] + spacing;
  const int total = legend_x[kItemCount - 1] + *text_offset + label_widths[kItemCount - 1];
  const int shift = static_cast<int>((client_width - total) / 2.0);
  for (int i = 0; i < kItemCount; ++i) legend_x[i] += shift;
}

void MaybeStartWave(const WaveState& wave, bool active, int64_t now) {
  if (!active || *wave.running || now - *wave.end_time < kWavePauseSeconds) return;
  *wave.running = true;
  wave.glow[0] = 100;
  *wave.frame = 0;
}

int LightItem(const WaveState& wave, bool active, int i, bool* wave_ended) {
  *wave_ended = false;
  const int intensity = wave.glow[i];
  if (!active || intensity == 0) return 0;
  const int lowered = intensity - 20;
  wave.glow[i] = static_cast<int8_t>(lowered < 0 ? 0 : lowered);
  if (i < kItemCount - 1 && wave.glow[i + 1] == 0) {
    // The next item lights every third frame of the wave.
    if (*wave.frame == 2) {
      wave.glow[i + 1] = 100;
      *wave.frame = 0;
    } else {
      ++*wave.frame;
    }
  }
  if (i == kItemCount - 1 && wave.glow[i] == 0) {
    *wave.running = false;
    *wave_ended = true;
  }
  return intensity;
}

}  // namespace legend
