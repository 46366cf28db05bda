#pragma once
// The standard screen-saver command line, read without touching any window, so that
// every switch can be checked in a table.
#include <cstdint>

enum class SaverAction {
  SettingsNoOwner,  // no switch at all: the settings dialog without an owner
  Settings,         // c: the settings dialog, owned by `window` or else the foreground window
  Preview,          // p or l: the preview inside `window`
  FullScreen,       // s
  ChangePassword,   // a: only meaningful on the Windows 9x family
  Invalid,          // anything else: the process ends with -1
};

struct SaverCommand {
  SaverAction action = SaverAction::Invalid;
  uintptr_t window = 0;  // decimal handle given with c:, p, l or a; 0 when none
};

// The text behind the program name of a command line: a quoted name ends after its
// closing quote, an unquoted one at the first character at or below the blank; the
// blanks behind it are skipped too.
const wchar_t* SkipProgramName(const wchar_t* command_line);

// Reads the switches (blanks, "-" and "/" before the letter are skipped).
SaverCommand ParseSaverSwitches(const wchar_t* arguments);
