#pragma once
// The screen-saver switches that the launcher stores in "Params": s (full screen),
// p with a decimal window handle (preview), c with an optional one (settings dialog).
#include <cstddef>
#include <cstdint>

enum SaverMode { SettingsMode = 1, PreviewMode = 2, FullScreenMode = 3 };

// Where the window that the switches name comes from.
enum class SwitchWindow {
  None,        // no window: a preview without a handle, or the dialog without an owner
  Foreground,  // the window in the foreground when the worker started
  Numbered,    // the decimal handle in `window_number` (0 means none)
};

struct StoredSwitches {
  SaverMode mode = SettingsMode;
  SwitchWindow window = SwitchWindow::Foreground;
  intptr_t window_number = 0;
};

// Parses at most `length` characters of `text` (a terminator before that ends it).
StoredSwitches ParseStoredSwitches(const wchar_t* text, size_t length);
