#include "core/scene/legend_row.h"

#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"

void LegendRow::InitItems(const HPEN* cell_pens) {
  for (int i = 0; i < legend::kItemCount; ++i) {
    const legend::Item& item = legend::kItems[i];
    legend_labels[i] = item.label;
    legend_colors[i] = cluster_map::StateColor(item.state);
    legend_pens[i] = cell_pens[item.state];
    legend_glow[i] = 0;
  }
  legend_wave_running = false;
  legend_wave_time = 0;
  legend_wave_frame = 0;
}

void LegendRow::Place(const int label_widths[legend::kItemCount], const SceneLayout& layout) {
  legend::LayoutRow(label_widths, layout.scale, layout.cell_size, layout.width, legend_x,
                    &legend_text_offset);
}

legend::WaveState LegendRow::Wave() {
  return {legend_glow, &legend_wave_frame, &legend_wave_running, &legend_wave_time};
}

TextPlacement LegendRow::LabelPlacement(int item, const SceneLayout& layout) const {
  return {legend_x[item] + legend_text_offset,
          layout.legend_y - static_cast<int>(3.0 * layout.scale), &legend_labels[item],
          legend_colors[item]};
}

bool LegendRow::DrawLegend(SceneResources* resources, const SceneLayout& layout, bool active,
                           int64_t now) {
  const legend::WaveState wave = Wave();
  legend::MaybeStartWave(wave, active, now);
  bool wave_ended = false;
  for (int i = 0; i < legend::kItemCount; ++i) {
    bool item_ends_wave = false;
    const int intensity = legend::LightItem(wave, active, i, &item_ends_wave);
    wave_ended = wave_ended || item_ends_wave;
    const POINT square = {legend_x[i], layout.legend_y};
    if (intensity != 0) {
      DrawOutlineTowardsWhite(resources->back_dc, square, layout, legend_colors[i], intensity / 4);
    } else if (!resources->DrawPictureAt(resources->plain_cell_pixels[legend::kItems[i].state],
                                         square.x, square.y)) {
      // A plain square is a plain cell's square of the item's state.
      SelectObject(resources->back_dc, legend_pens[i]);
      Rectangle(resources->back_dc, square.x, square.y, square.x + layout.cell_size,
                square.y + layout.cell_size);
    }
    resources->frame_ink.Add(
        {square.x, square.y, square.x + layout.cell_size, square.y + layout.cell_size});
    resources->DrawTextLine(LabelPlacement(i, layout));
  }
  return wave_ended;
}
