#include "core/scene/message_log.h"

#include <cmath>

namespace {
// The queue takes a message only while it holds this many or fewer.
constexpr size_t kPendingLogLimit = 100;
}  // namespace

void MessageLog::SetLineHeight(int line_height) {
  for (int i = 0; i < kLogLineCount - 1; ++i)
    log_grey_step[i] = static_cast<double>(log_grey[i] - log_grey[i + 1]) / line_height;
  log_grey_step[kLogLineCount - 1] = static_cast<double>(log_grey[kLogLineCount - 1]) / line_height;
}

uint64_t MessageLog::AddLogMessage(std::wstring text, double scale) {
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
    scroll_speed = 4.0 * scale;
    scroll_offset = 0;
  }
  return ++newest_log_entry;
}

void MessageLog::ReplaceNewestLogEntry(uint64_t entry, std::wstring text) {
  // A dropped message has no entry: the newest one then belongs to another message.
  if (entry == 0 || entry != newest_log_entry) return;
  if (pending_log.empty())
    log_lines[0] = std::move(text);
  else
    pending_log.back() = std::move(text);
}

void MessageLog::ScrollLog(const SceneLayout& layout) {
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

int MessageLog::LogLineGrey(int line) const {
  return static_cast<int>(log_grey[line] - scroll_offset * log_grey_step[line]);
}

TextPlacement MessageLog::LinePlacement(int line, const SceneLayout& layout) const {
  const int grey = LogLineGrey(line);
  return {layout.left, layout.log_top + scroll_offset + line * layout.line_height, &log_lines[line],
          RGB(grey, grey, grey)};
}

void MessageLog::DrawLog(SceneResources* resources, const SceneLayout& layout) const {
  for (int i = 0; i < kLogLineCount; ++i) resources->DrawTextLine(LinePlacement(i, layout));
}
