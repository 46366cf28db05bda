#pragma once
// The legend row under the grid: its six items (square, label, colour and pen),
// where they stand, and the blink wave that runs along them.
#include <windows.h>

#include <cstdint>
#include <string>

#include "core/scene/legend_wave.h"
#include "core/scene/scene_layout.h"
#include "core/scene/scene_resources.h"

struct LegendRow {
  // The items in legend order, drawn with the scene's cell pens; no wave running.
  void InitItems(const HPEN* cell_pens);
  // Places the items for labels this wide, the row centred in the client area.
  void Place(const int label_widths[legend::kItemCount], const SceneLayout& layout);
  // The wave's state, for the pure wave steps.
  legend::WaveState Wave();
  // Where item `item`'s label goes.
  TextPlacement LabelPlacement(int item, const SceneLayout& layout) const;
  // The six squares and labels, each square lit while the wave passes it (the
  // wave runs while `active`). True when this frame ends the wave; the caller
  // then records the end time.
  bool DrawLegend(SceneResources* resources, const SceneLayout& layout, bool active, int64_t now);

  int legend_x[legend::kItemCount] = {};
  int legend_text_offset = 0;
  std::wstring legend_labels[legend::kItemCount];
  COLORREF legend_colors[legend::kItemCount] = {};
  HPEN legend_pens[legend::kItemCount] = {};  // the cell pens: not owned
  int8_t legend_glow[legend::kItemCount] = {};
  int legend_wave_frame = 0;
  bool legend_wave_running = false;
  int64_t legend_wave_time = 0;
};
