#pragma once
// The five-line on-screen log: the lines on show (newest on top), the messages
// waiting to slide in, the slide with its fade, and the entry numbers by which
// the cycle rewrites its newest message in place.
#include <cstdint>
#include <deque>
#include <string>

#include "core/scene/scene_layout.h"
#include "core/scene/scene_resources.h"

constexpr int kLogLineCount = 5;

struct MessageLog {
  // The fade per pixel of slide for lines `line_height` apart: after one line
  // each line has the grey of the line below it, and the oldest has none.
  void SetLineHeight(int line_height);
  // Answers the message's entry number, or 0 when the full queue dropped it.
  // A slide that starts moves at 4 x scale pixels a frame.
  uint64_t AddLogMessage(std::wstring text, double scale);
  // Rewrites the entry in place (queue back or top line), only while it is the
  // newest: one that was dropped or followed by another stays as it is.
  void ReplaceNewestLogEntry(uint64_t entry, std::wstring text);
  // One frame of the slide; a line that has come in lets the next one start.
  void ScrollLog(const SceneLayout& layout);
  // Grey level of line `line` (0..4) at the current slide offset.
  int LogLineGrey(int line) const;
  // Where line `line` goes in this frame, in its grey.
  TextPlacement LinePlacement(int line, const SceneLayout& layout) const;
  // The five lines, below the bar, slid by the current offset.
  void DrawLog(SceneResources* resources, const SceneLayout& layout) const;

  std::wstring log_lines[kLogLineCount];
  int log_grey[kLogLineCount] = {255, 140, 92, 60, 29};
  double log_grey_step[kLogLineCount] = {};
  double scroll_speed = 0.0;
  bool scrolling = false;
  int scroll_offset = 0;
  std::deque<std::wstring> pending_log;
  uint64_t newest_log_entry = 0;  // entry number of the newest message (0: none yet)
};
