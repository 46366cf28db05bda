#pragma once
// The screen-saver switches that the launcher stores in "Params": s (full screen),
// p with a decimal window handle (preview), c with an optional one (settings dialog).
#include <cstddef>
#include <cstdint>

enum SaverMode { settings_mode = 1, preview_mode = 2, full_screen_mode = 3 };

// Where the window that the switches name comes from.
enum class SwitchWindow {
  none,        // no window: a preview without a handle, or the dialog without an owner
  foreground,  // the window in the foreground when the worker started
  numbered,    // the decimal handle in `window_number` (0 means none)
};

struct StoredSwitches {
  SaverMode mode = settings_mode;
  SwitchWindow window = SwitchWindow::foreground;
  intptr_t window_number = 0;
};

// Parses at most `length` characters of `text` (a terminator before that ends it).
StoredSwitches ParseStoredSwitches(const wchar_t* text, size_t length);
