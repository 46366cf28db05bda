// Entry of the elevated worker. It is started by its scheduled task without arguments:
// apart from "-install" and "-uninstall" its own command line is not looked at, and the
// screen-saver switches come from "Params", which the launcher writes before the start.
#include <windows.h>

#include <cwchar>

#include "core/drive_list/settings_dialog.h"
#include "twsaverx/stored_switches.h"
#include "twsaverx/task_install.h"
#include "twsaverx/worker_registry.h"
#include "twsaverx/worker_window.h"

namespace {

constexpr DWORD stored_switches_room = 100;

HWND SwitchWindowHandle(const StoredSwitches& switches) {
  switch (switches.window) {
    case SwitchWindow::Foreground:
      return GetForegroundWindow();
    case SwitchWindow::Numbered:
      return reinterpret_cast<HWND>(switches.window_number);
    case SwitchWindow::None:
    default:
      return nullptr;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  g_instance = instance;
  if (wcscmp(command_line, L"-install") == 0) {
    InstallTask();
    return 0;
  }
  if (wcscmp(command_line, L"-uninstall") == 0) {
    UninstallTasks();
    return 0;
  }

  DeleteTaskXml();
  wchar_t cmd_line[stored_switches_room] = L"";
  worker_registry.TakeStoredCommandLine(stored_switches_room, cmd_line);
  const StoredSwitches switches = ParseStoredSwitches(cmd_line, stored_switches_room);
  saver_mode = switches.mode;

  switch (switches.mode) {
    case PreviewMode:
      g_parent_window = SwitchWindowHandle(switches);
      if (g_parent_window == nullptr || !IsWindow(g_parent_window)) return 0;
      is_preview = 1;
      return RunSaverWindow();
    case FullScreenMode:
      g_parent_window = SwitchWindowHandle(switches);
      if (IsAnotherInstanceRunning() == 1) return 0;
      return RunSaverWindow();
    case SettingsMode:
    default:
      ShowSettingsDialog(SwitchWindowHandle(switches));
      return 0;
  }
}
