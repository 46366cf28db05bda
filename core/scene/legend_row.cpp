#include "core/scene/legend_row.h"

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
