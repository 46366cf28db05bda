#include "twsaverx/stored_switches.h"

#include <cwchar>
#include <string>

namespace {

// A signed decimal number as wcstol reads it: leading blanks and a sign, up to the first
// non-digit; no digits give 0. Handles are 32-bit values, sign-extended.
intptr_t ReadWindowNumber(const std::wstring& text) {
  long value = wcstol(text.c_str(), nullptr, 10);
  return static_cast<intptr_t>(value);
}

}  // namespace

StoredSwitches ParseStoredSwitches(const wchar_t* text, size_t length) {
  size_t end = 0;
  while (end < length && text[end] != L'\0') ++end;
  const std::wstring line(text, end);

  size_t pos = 0;
  while (pos < line.size() && (line[pos] == L'/' || line[pos] == L'-' || line[pos] == L' ')) ++pos;
  const wchar_t letter = pos < line.size() ? line[pos] : L'\0';

  // Behind the letter, blanks and ':' are skipped; any text left is the window number.
  auto read_window_from = [&](size_t at, SwitchWindow when_nothing_left, StoredSwitches* out) {
    while (at < line.size() && (line[at] == L' ' || line[at] == L':')) ++at;
    if (at < line.size()) {
      out->window = SwitchWindow::Numbered;
      out->window_number = ReadWindowNumber(line.substr(at));
    } else {
      out->window = when_nothing_left;
    }
  };

  StoredSwitches result;
  if (letter == L'\0' || letter == L'c' || letter == L'C') {
    result.mode = SettingsMode;
    read_window_from(letter == L'\0' ? pos : pos + 1, SwitchWindow::Foreground, &result);
  } else if (letter == L'p' || letter == L'P') {
    result.mode = PreviewMode;
    read_window_from(pos + 1, SwitchWindow::None, &result);
  } else if (letter == L's' || letter == L'S') {
    result.mode = FullScreenMode;
    result.window = SwitchWindow::Foreground;
  } else {
    result.mode = SettingsMode;
    result.window = SwitchWindow::None;
  }
  return result;
}
