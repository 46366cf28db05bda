// The five-line on-screen log: messages wait in a queue and slide in one by one.
#include <cmath>

#include "core/scene/saver_scene.h"

namespace {
// The queue takes a message only while it holds this many or fewer.
constexpr size_t kPendingLogLimit = 100;
}  // namespace

uint64_t SaverScene::AddLogMessage(std::wstring text) {
  bool log_empty = true;
  for (const std::wstring& line : log_lines) log_empty = log_empty && line.empty();
  if (log_empty) {
    // The very first message of a run shows at once.
    log_lines[0] = std::move(text);
    return ++newest_log_entry;
  }
  if (pending_log.size() > kPendingLogLimit) return 0;
  pending_log.push_back(std::move(text));
  if (!scrolling) {
    scrolling = true;
    scroll_speed = 4.0 * layout.scale;
    scroll_offset = 0;
  }
  return ++newest_log_entry;
}

void SaverScene::ReplaceNewestLogEntry(uint64_t entry, std::wstring text) {
  // A dropped message has no entry: the newest one then belongs to another message.
  if (entry == 0 || entry != newest_log_entry) return;
  if (pending_log.empty())
    log_lines[0] = std::move(text);
  else
    pending_log.back() = std::move(text);
}

void SaverScene::ScrollLog() {
  if (pending_log.empty()) {
    // Nothing to bring in: the slide simply ends.
    scrolling = false;
    scroll_offset = 0;
    return;
  }
  if (scroll_offset >= layout.line_height) {
    for (int i = kLogLineCount - 1; i > 0; --i) log_lines[i] = std::move(log_lines[i - 1]);
    log_lines[0] = std::move(pending_log.front());
    pending_log.pop_front();
    scroll_offset = 0;
    scroll_speed = 4.0 * layout.scale;
    if (pending_log.empty()) scrolling = false;
    return;
  }
  scroll_offset += static_cast<int>(std::ceil(scroll_speed));
  scroll_speed += layout.scroll_accel;
  if (scroll_offset > layout.line_height) scroll_offset = layout.line_height;
}

int SaverScene::LogLineGrey(int line) const {
  return static_cast<int>(log_grey[line] - scroll_offset * log_grey_step[line]);
}

SaverScene::TextPlacement SaverScene::LogLinePlacement(int line) const {
  const int grey = LogLineGrey(line);
  return {layout.left, layout.log_top + scroll_offset + line * layout.line_height, &log_lines[line],
          RGB(grey, grey, grey)};
}

void SaverScene::DrawLog() {
  for (int i = 0; i < kLogLineCount; ++i) DrawTextLine(LogLinePlacement(i));
}
