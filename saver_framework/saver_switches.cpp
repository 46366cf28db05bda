#include "saver_framework/saver_switches.h"

namespace {

// Reads decimal digits; stops at the first other character. Handles wider than a
// pointer wrap and then name no window, which the caller finds out with IsWindow.
uintptr_t ReadDecimalHandle(const wchar_t* text) {
  uintptr_t value = 0;
  for (; *text >= L'0' && *text <= L'9'; ++text) value = value * 10 + (*text - L'0');
  return value;
}

const wchar_t* SkipBlanks(const wchar_t* text) {
  while (*text == L' ') ++text;
  return text;
}

}  // namespace

const wchar_t* SkipProgramName(const wchar_t* command_line) {
  if (command_line == nullptr) return L"";
  const wchar_t* p = command_line;
  if (*p == L'"') {
    ++p;
    while (*p != L'\0' && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p > L' ') ++p;
  }
  while (*p != L'\0' && *p <= L' ') ++p;
  return p;
}

SaverCommand ParseSaverSwitches(const wchar_t* arguments) {
  SaverCommand command;
  const wchar_t* p = arguments != nullptr ? arguments : L"";
  while (*p == L' ' || *p == L'-' || *p == L'/') ++p;
  switch (*p) {
    case L'\0':
      command.action = SaverAction::SettingsNoOwner;
      break;
    case L'c':
    case L'C':
      command.action = SaverAction::Settings;
      if (p[1] == L':') command.window = ReadDecimalHandle(p + 2);
      break;
    case L'p':
    case L'P':
    case L'l':
    case L'L':
      command.action = SaverAction::Preview;
      command.window = ReadDecimalHandle(SkipBlanks(p + 1));
      break;
    case L'a':
    case L'A':
      command.action = SaverAction::ChangePassword;
      command.window = ReadDecimalHandle(SkipBlanks(p + 1));
      break;
    case L's':
    case L'S':
      command.action = SaverAction::FullScreen;
      break;
    default:
      command.action = SaverAction::Invalid;
      break;
  }
  return command;
}
