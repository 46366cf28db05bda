// The legend row with its blink wave, and the sweep that runs along the progress bar.
#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/legend_wave.h"
#include "core/scene/progress_sweep.h"
#include "core/scene/saver_scene.h"

namespace {

// A 1-pixel vertical line from y_top to y_bottom (exclusive) in a pen of its own.
void VerticalLine(HDC dc, int x, int y_top, int y_bottom) {
  MoveToEx(dc, x, y_top, nullptr);
  LineTo(dc, x, y_bottom);
}

COLORREF GradientColor(int base_red, int base_green, int index, bool halved) {
  const uint32_t step = sweep::kGradient[index];
  const int red = static_cast<int>(step & 0xFF), green = static_cast<int>((step >> 8) & 0xFF);
  return halved ? RGB(base_red + red / 2, base_green + green / 2, 0)
                : RGB(base_red + red, base_green + green, 0);
}

}  // namespace

void SaverScene::InitLegend() {
  int label_widths[legend::kItemCount];
  for (int i = 0; i < legend::kItemCount; ++i) {
    const legend::Item& item = legend::kItems[i];
    legend_labels[i] = item.label;
    legend_colors[i] = cluster_map::StateColor(item.state);
    legend_pens[i] = resources.cell_pens[item.state];
    legend_glow[i] = 0;
    SIZE size;
    label_widths[i] =
        GetTextWidth(legend_labels[i].c_str(), static_cast<int>(legend_labels[i].size()), &size);
  }
  legend_wave_running = false;
  legend_wave_time = 0;
  legend_wave_frame = 0;
  legend::LayoutRow(label_widths, layout.scale, layout.cell_size, layout.width, legend_x,
                    &legend_text_offset);
}

void SaverScene::DrawLegend() {
  const bool active = cycle_state.load() != Idle || idle_animation;
  const legend::WaveState wave = {legend_glow, &legend_wave_frame, &legend_wave_running,
                                  &legend_wave_time};
  legend::MaybeStartWave(wave, active, now);
  for (int i = 0; i < legend::kItemCount; ++i) {
    bool wave_ended = false;
    const int intensity = legend::LightItem(wave, active, i, &wave_ended);
    const POINT square = {legend_x[i], layout.legend_y};
    if (intensity != 0) {
      DrawOutlineTowardsWhite(resources.back_dc, square, layout, legend_colors[i], intensity / 4);
    } else if (!DrawPictureAt(resources.plain_cell_pixels[legend::kItems[i].state], square.x,
                              square.y)) {
      // A plain square is a plain cell's square of the item's state.
      SelectObject(resources.back_dc, legend_pens[i]);
      Rectangle(resources.back_dc, square.x, square.y, square.x + layout.cell_size,
                square.y + layout.cell_size);
    }
    resources.frame_ink.Add(
        {square.x, square.y, square.x + layout.cell_size, square.y + layout.cell_size});
    DrawTextLine(LegendLabelPlacement(i));
    if (wave_ended) legend_wave_time = CurrentTime();
  }
}

SaverScene::TextPlacement SaverScene::LegendLabelPlacement(int item) const {
  return {legend_x[item] + legend_text_offset,
          layout.legend_y - static_cast<int>(3.0 * layout.scale), &legend_labels[item],
          legend_colors[item]};
}

void SaverScene::AdvanceProgressSweep() {
  if (sweep::HasPassedBar(layout.grid_width, sweep_position, layout.scale)) {
    sweep_position = 0;
    sweep_running = false;
    sweep_end_time = CurrentTime();
    return;
  }
  sweep_position =
      sweep::Advance(sweep_position, layout.sweep_step, layout.grid_width, layout.scale);
}

void SaverScene::DrawProgressBar() {
  const int fill = sweep::FillWidth(layout.bar_inner_width, percent);
  const int bar_right = layout.left + layout.grid_width;
  const int bar_bottom = layout.bar_top + layout.bar_height;
  const pixels::Surface surface = BackSurface();
  // One 1-pixel pen per gradient step colours the step's two columns; the same
  // columns written into the back buffer's pixels directly need no pen at all.
  auto sweep_pass = [&](int base_red, int base_green, bool halved, auto draw_column) {
    for (int i = 0; sweep::IsBandStep(i, layout.scale); ++i) {
      const COLORREF color =
          GradientColor(base_red, base_green, sweep::GradientIndex(i, layout.scale), halved);
      HPEN pen = nullptr;
      if (surface.words == nullptr) {
        pen = CreatePen(PS_INSIDEFRAME, 1, color);
        SelectObject(resources.back_dc, pen);
      }
      int columns[2];
      sweep::BandColumns(layout.left, sweep_position, layout.scale, i, &columns[0], &columns[1]);
      for (int x : columns) {
        draw_column(x, [&](int y_top, int y_bottom) {
          if (surface.words != nullptr)
            pixels::FillColumn(surface, x, y_top, y_bottom, pixels::WordOf(color));
          else
            VerticalLine(resources.back_dc, x, y_top, y_bottom);
        });
      }
      if (pen != nullptr) {
        SelectObject(resources.back_dc, resources.bar_pen);
        DeleteObject(pen);
      }
    }
  };
  // Frame pass: the band brightens the bar's green frame.
  sweep_pass(34, 139, false, [&](int x, auto line) {
    if (x < layout.left || x >= bar_right) return;
    if (x < layout.left + layout.pen_width || x >= bar_right - layout.pen_width) {
      line(layout.bar_top, bar_bottom);
    } else {
      line(layout.bar_top, layout.bar_top + layout.pen_width);
      line(bar_bottom - layout.pen_width, bar_bottom);
    }
  });
  // Fill pass: only the filled part of the inside brightens.
  sweep_pass(51, 209, true, [&](int x, auto line) {
    if (x < layout.left + layout.pen_width || x >= layout.left + layout.pen_width + fill) return;
    line(layout.bar_top + layout.pen_width, bar_bottom - layout.pen_width);
  });
  SelectObject(resources.back_dc, resources.bar_pen);
}
