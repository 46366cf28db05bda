// The legend row with its blink wave.
#include "core/scene/cell_geometry.h"
#include "core/scene/legend_row.h"
#include "core/scene/saver_scene.h"

void SaverScene::InitLegend() {
  HPEN cell_pens[kClusterStateCount];
  for (int i = 0; i < kClusterStateCount; ++i) cell_pens[i] = resources.cell_pens[i];
  legend.InitItems(cell_pens);
  int label_widths[legend::kItemCount];
  for (int i = 0; i < legend::kItemCount; ++i) {
    const std::wstring& label = legend.legend_labels[i];
    SIZE size;
    label_widths[i] = GetTextWidth(label.c_str(), static_cast<int>(label.size()), &size);
  }
  legend.Place(label_widths, layout);
}

void SaverScene::DrawLegend() {
  const bool active = cycle_state.load() != Idle || idle_animation;
  const legend::WaveState wave = legend.Wave();
  legend::MaybeStartWave(wave, active, now);
  for (int i = 0; i < legend::kItemCount; ++i) {
    bool wave_ended = false;
    const int intensity = legend::LightItem(wave, active, i, &wave_ended);
    const POINT square = {legend.legend_x[i], layout.legend_y};
    if (intensity != 0) {
      DrawOutlineTowardsWhite(resources.back_dc, square, layout, legend.legend_colors[i],
                              intensity / 4);
    } else if (!DrawPictureAt(resources.plain_cell_pixels[legend::kItems[i].state], square.x,
                              square.y)) {
      // A plain square is a plain cell's square of the item's state.
      SelectObject(resources.back_dc, legend.legend_pens[i]);
      Rectangle(resources.back_dc, square.x, square.y, square.x + layout.cell_size,
                square.y + layout.cell_size);
    }
    resources.frame_ink.Add(
        {square.x, square.y, square.x + layout.cell_size, square.y + layout.cell_size});
    DrawTextLine(LegendLabelPlacement(i));
    if (wave_ended) legend.legend_wave_time = CurrentTime();
  }
}

SaverScene::TextPlacement SaverScene::LegendLabelPlacement(int item) const {
  return {legend.legend_x[item] + legend.legend_text_offset,
          layout.legend_y - static_cast<int>(3.0 * layout.scale), &legend.legend_labels[item],
          legend.legend_colors[item]};
}
