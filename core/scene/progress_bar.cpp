#include "core/scene/progress_bar.h"

#include "core/scene/progress_sweep.h"

namespace {

// A 1-pixel vertical line from y_from to y_to (exclusive) in a pen of its own.
void VerticalLine(HDC dc, int x, int y_from, int y_to) {
  MoveToEx(dc, x, y_from, nullptr);
  LineTo(dc, x, y_to);
}

// The pixels VerticalLine colours: LineTo keeps the start row and leaves out the
// end row whichever way the line runs, and a bar thinner than its two pens has
// its fill line run upward.
void VerticalLinePixels(const pixels::Surface& surface, int x, int y_from, int y_to,
                        uint32_t word) {
  if (y_to >= y_from)
    pixels::FillColumn(surface, x, y_from, y_to, word);
  else
    pixels::FillColumn(surface, x, y_to + 1, y_from + 1, word);
}

COLORREF GradientColor(int base_red, int base_green, int index, bool halved) {
  const uint32_t step = sweep::kGradient[index];
  const int red = static_cast<int>(step & 0xFF), green = static_cast<int>((step >> 8) & 0xFF);
  return halved ? RGB(base_red + red / 2, base_green + green / 2, 0)
                : RGB(base_red + red, base_green + green, 0);
}

}  // namespace

int ProgressBar::FillWidth(const SceneLayout& layout) const {
  return sweep::FillWidth(layout.bar_inner_width, percent);
}

void ProgressBar::RestartSweepIfDue(int64_t now) {
  if (!sweep_running && now - sweep_end_time >= sweep::kRestartPauseSeconds) sweep_running = true;
}

bool ProgressBar::AdvanceSweep(const SceneLayout& layout) {
  if (sweep::HasPassedBar(layout.grid_width, sweep_position, layout.scale)) {
    sweep_position = 0;
    sweep_running = false;
    return true;
  }
  sweep_position =
      sweep::Advance(sweep_position, layout.sweep_step, layout.grid_width, layout.scale);
  return false;
}

void ProgressBar::DrawBar(SceneResources* resources, const SceneLayout& layout) const {
  HDC dc = resources->back_dc;
  SelectObject(dc, resources->bar_pen);
  Rectangle(dc, layout.left, layout.bar_top, layout.left + layout.grid_width,
            layout.bar_top + layout.bar_height);
  const int fill = FillWidth(layout);
  const RECT progress_rect = {layout.left + layout.pen_width, layout.bar_top + layout.pen_width,
                              layout.left + layout.pen_width + fill,
                              layout.bar_top + layout.bar_height - layout.pen_width};
  FillRect(dc, &progress_rect, resources->bar_brush);
  resources->frame_ink.Add({layout.left, layout.bar_top, layout.left + layout.grid_width,
                            layout.bar_top + layout.bar_height});
}

void ProgressBar::DrawProgressBar(SceneResources* resources, const SceneLayout& layout) const {
  const int fill = FillWidth(layout);
  const int bar_right = layout.left + layout.grid_width;
  const int bar_bottom = layout.bar_top + layout.bar_height;
  const pixels::Surface surface = resources->BackSurface();
  // One 1-pixel pen per gradient step colours the step's two columns; the same
  // columns written into the back buffer's pixels directly need no pen at all.
  auto sweep_pass = [&](int base_red, int base_green, bool halved, auto draw_column) {
    for (int i = 0; sweep::IsBandStep(i, layout.scale); ++i) {
      const COLORREF color =
          GradientColor(base_red, base_green, sweep::GradientIndex(i, layout.scale), halved);
      HPEN pen = nullptr;
      if (surface.words == nullptr) {
        pen = CreatePen(PS_INSIDEFRAME, 1, color);
        SelectObject(resources->back_dc, pen);
      }
      int columns[2];
      sweep::BandColumns(layout.left, sweep_position, layout.scale, i, &columns[0], &columns[1]);
      for (int x : columns) {
        draw_column(x, [&](int y_from, int y_to) {
          if (surface.words != nullptr)
            VerticalLinePixels(surface, x, y_from, y_to, pixels::WordOf(color));
          else
            VerticalLine(resources->back_dc, x, y_from, y_to);
        });
      }
      if (pen != nullptr) {
        SelectObject(resources->back_dc, resources->bar_pen);
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
  SelectObject(resources->back_dc, resources->bar_pen);
}
