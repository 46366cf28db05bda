// Entry of a screen-saver module: reads the switches and runs the settings dialog, the
// preview or the full-screen saver. The process ends with ExitProcess, so the runtime's
// exit processing (static destructors included) never runs.
#include <windows.h>
#include <commctrl.h>

#include "saver_framework/saver_switches.h"
#include "saver_framework/saver_window.h"
#include "saver_framework/screen_saver_framework.h"

HINSTANCE hMainInstance = nullptr;

namespace {

constexpr int kSettingsTemplate = 2003;  // DLG_SCRNSAVECONFIGURE

bool IsWindows9xFamily() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  return GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HWND ToWindow(uintptr_t handle) { return reinterpret_cast<HWND>(handle); }

// A missing, zero or dead owner falls back to the foreground window.
HWND OwnerOrForeground(uintptr_t handle) {
  HWND owner = ToWindow(handle);
  if (owner == nullptr || !IsWindow(owner)) owner = GetForegroundWindow();
  return owner;
}

int RunSettings(HWND owner) {
  if (!RegisterDialogClasses(hMainInstance)) return 0;
  return static_cast<int>(DialogBoxParamW(hMainInstance, MAKEINTRESOURCEW(kSettingsTemplate), owner,
                                          ScreenSaverConfigureDialog, 0));
}

int SaverMain(const wchar_t* arguments) {
  // Tab and tooltip classes as every saver gets them, and the list view and link classes
  // that the settings dialog of this system needs.
  INITCOMMONCONTROLSEX classes = {sizeof(classes),
                                  ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&classes);
  hMainInstance = GetModuleHandleW(nullptr);
  const bool windows_9x = IsWindows9xFamily();

  const SaverCommand command = ParseSaverSwitches(arguments);
  switch (command.action) {
    case SaverAction::SettingsNoOwner:
      return RunSettings(nullptr);
    case SaverAction::Settings:
      return RunSettings(OwnerOrForeground(command.window));
    case SaverAction::Preview: {
      HWND parent = ToWindow(command.window);
      if (parent == nullptr || !IsWindow(parent)) return -1;
      return RunSaverWindow(parent);
    }
    case SaverAction::FullScreen:
      return RunSaverWindow(nullptr);
    case SaverAction::ChangePassword:
      // Password changes belong to the Windows 9x family; nothing here handles them.
      return windows_9x ? 0 : -1;
    case SaverAction::Invalid:
    default:
      return -1;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ExitProcess(static_cast<UINT>(SaverMain(SkipProgramName(GetCommandLineW()))));
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  ExitProcess(static_cast<UINT>(SaverMain(SkipProgramName(GetCommandLineW()))));
}
