#pragma once
// The tests' one way into a scene's state: a named reference to each field they
// read or set, wherever in the scene the field lives. The scene names this class
// its friend; nothing else of the program can see these fields.
#include <utility>

#include "core/scene/saver_scene.h"

// Each field the tests reach: the name they use, and where it lives in the scene.
#define TW_SCENE_PROBE_FIELDS(X)                     \
  X(window, window)                                  \
  X(frame_timer, frame_timer)                        \
  X(destroyed, destroyed)                            \
  X(client_rect, client_rect)                        \
  X(width, layout.width)                             \
  X(height, layout.height)                           \
  X(scale, layout.scale)                             \
  X(rows, layout.rows)                               \
  X(cell_pitch, layout.cell_pitch)                   \
  X(cell_size, layout.cell_size)                     \
  X(left, layout.left)                               \
  X(grid_width, layout.grid_width)                   \
  X(title_y, layout.title_y)                         \
  X(grid_top, layout.grid_top)                       \
  X(bar_top, layout.bar_top)                         \
  X(bar_height, layout.bar_height)                   \
  X(bar_inner_width, layout.bar_inner_width)         \
  X(pen_width, layout.pen_width)                     \
  X(sweep_step, layout.sweep_step)                   \
  X(line_height, layout.line_height)                 \
  X(scroll_accel, layout.scroll_accel)               \
  X(legend_y, layout.legend_y)                       \
  X(glow_width, layout.glow_width)                   \
  X(glow_height, layout.glow_height)                 \
  X(window_dc, resources.window_dc)                  \
  X(back_dc, resources.back_dc)                      \
  X(font, resources.font)                            \
  X(black_brush, resources.black_brush)              \
  X(cell_pens, resources.cell_pens)                  \
  X(glow_dc, resources.glow_dc)                      \
  X(glow_bitmaps, resources.glow_bitmaps)            \
  X(shine_dc, resources.shine_dc)                    \
  X(shine_width, resources.shine_width)              \
  X(shine_height, resources.shine_height)            \
  X(shine_pixels, resources.shine_pixels)            \
  X(draw_through_gdi, resources.draw_through_gdi)    \
  X(log_lines, log.log_lines)                        \
  X(log_grey_step, log.log_grey_step)                \
  X(pending_log, log.pending_log)                    \
  X(scrolling, log.scrolling)                        \
  X(scroll_offset, log.scroll_offset)                \
  X(scroll_speed, log.scroll_speed)                  \
  X(cell_lock, cells.cell_lock)                      \
  X(cell_state, cells.cell_state)                    \
  X(cell_glow, cells.cell_glow)                      \
  X(cell_count, cells.cell_count)                    \
  X(total_clusters, cells.total_clusters)            \
  X(frame_cell_state, cells.frame_cell_state)        \
  X(frame_cell_glow, cells.frame_cell_glow)          \
  X(legend_x, legend.legend_x)                       \
  X(legend_wave_running, legend.legend_wave_running) \
  X(percent, bar.percent)                            \
  X(sweep_running, bar.sweep_running)                \
  X(sweep_position, bar.sweep_position)              \
  X(sweep_end_time, bar.sweep_end_time)              \
  X(idle_position, effects.idle_position)            \
  X(idle_trail, effects.idle_trail)                  \
  X(shine_cell, effects.shine_cell)                  \
  X(shine_level, effects.shine_level)                \
  X(shine_last_time, effects.shine_last_time)        \
  X(status_line, status_line)                        \
  X(schedule_line, schedule_line)                    \
  X(cycle_state, cycle_state)                        \
  X(cycle_end_time, cycle_end_time)                  \
  X(current_drive, current_drive)                    \
  X(engine_loaded, engine_loaded)                    \
  X(volume_handle, volume_handle)                    \
  X(now, now)                                        \
  X(last_defrag, last_defrag)                        \
  X(idle_animation, idle_animation)                  \
  X(callbacks_enabled, callbacks_enabled)            \
  X(report_waiting, report_waiting)                  \
  X(fitted_file, fitted_file)                        \
  X(is_preview, is_preview)                          \
  X(clock, clock)                                    \
  X(measure_text, measure_text)                      \
  X(layout, layout)                                  \
  X(resources, resources)                            \
  X(text_stamps, resources.text_stamps)

class SceneProbe {
 public:
  // Tests read and set the state of a scene alike, through a const one too.
  explicit SceneProbe(const SaverScene& scene) : SceneProbe(const_cast<SaverScene&>(scene), 0) {}

 private:
  SceneProbe(SaverScene& s, int)
      : unused_(0)
#define TW_PROBE_BIND(name, place) , name(s.place)
            TW_SCENE_PROBE_FIELDS(TW_PROBE_BIND)
#undef TW_PROBE_BIND
  {
  }
  int unused_;  // opens the list of bindings

 public:
#define TW_PROBE_FIELD(name, place) decltype(std::declval<SaverScene&>().place)& name;
  TW_SCENE_PROBE_FIELDS(TW_PROBE_FIELD)
#undef TW_PROBE_FIELD
};
