// The legend row with its blink wave.
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
  if (legend.DrawLegend(&resources, layout, active, now)) legend.legend_wave_time = CurrentTime();
}
