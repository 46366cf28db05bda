// The scene's log operations, handed to its message log.
#include "core/scene/saver_scene.h"

uint64_t SaverScene::AddLogMessage(std::wstring text) {
  return log.AddLogMessage(std::move(text), layout.scale);
}

void SaverScene::ReplaceNewestLogEntry(uint64_t entry, std::wstring text) {
  log.ReplaceNewestLogEntry(entry, std::move(text));
}

void SaverScene::ScrollLog() { log.ScrollLog(layout); }

int SaverScene::LogLineGrey(int line) const { return log.LogLineGrey(line); }

void SaverScene::DrawLog() { log.DrawLog(&resources, layout); }
