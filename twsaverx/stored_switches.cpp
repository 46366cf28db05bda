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

  StoredSwitches result;
  const wchar_t letter = pos < line.size() ? line[pos] : L'\0';
  auto window_after_letter = [&]() {
    size_t at = pos + 1;
    while (at < line.size() && (line[at] == L' ' || line[at] == L':')) ++at;
    return at;
  };

  if (letter == L'\0' || letter == L'c' || letter == L'C') {
    result.mode = settings_mode;
    size_t at = letter == L'\0' ? pos : window_after_letter();
    if (at < line.size()) {
      result.window = SwitchWindow::numbered;
      result.window_number = ReadWindowNumber(line.substr(at));
    } else {
      result.window = SwitchWindow::foreground;
    }
  } else if (letter == L'p' || letter == L'P') {
    result.mode = preview_mode;
    size_t at = window_after_letter();
    if (at < line.size()) {
      result.window = SwitchWindow::numbered;
      result.window_number = ReadWindowNumber(line.substr(at));
    } else {
      result.window = SwitchWindow::none;
    }
  } else if (letter == L's' || letter == L'S') {
    result.mode = full_screen_mode;
    result.window = SwitchWindow::foreground;
  } else {
    result.mode = settings_mode;
    result.window = SwitchWindow::none;
  }
  return result;
}
