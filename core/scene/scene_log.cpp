// The log as the scene shows it: where each line goes, drawn as the frame's texts.
#include "core/scene/saver_scene.h"

uint64_t SaverScene::AddLogMessage(std::wstring text) {
  return log.AddLogMessage(std::move(text), layout.scale);
}

void SaverScene::ReplaceNewestLogEntry(uint64_t entry, std::wstring text) {
  log.ReplaceNewestLogEntry(entry, std::move(text));
}

void SaverScene::ScrollLog() { log.ScrollLog(layout); }

int SaverScene::LogLineGrey(int line) const { return log.LogLineGrey(line); }

SaverScene::TextPlacement SaverScene::LogLinePlacement(int line) const {
  const int grey = LogLineGrey(line);
  return {layout.left, layout.log_top + log.scroll_offset + line * layout.line_height,
          &log.log_lines[line], RGB(grey, grey, grey)};
}

void SaverScene::DrawLog() {
  for (int i = 0; i < kLogLineCount; ++i) DrawTextLine(LogLinePlacement(i));
}
