#include "twsaverx/worker_window.h"

#include "core/drive_list/drive_list.h"
#include "core/scene/saver_scene.h"
#include "twsaverx/close_rules.h"
#include "twsaverx/monitor_off.h"
#include "twsaverx/worker_registry.h"
#include "twsaverx/worker_resources.h"

HINSTANCE g_instance = nullptr;
int saver_mode = SettingsMode;
int is_preview = 0;
HWND g_parent_window = nullptr;
POINT g_start_cursor = {};
wchar_t g_window_name[100] = L"";
wchar_t g_class_name[100] = L"";

namespace {

const wchar_t mutex_name[] = L"TWSAVER_MUTEX";
const wchar_t secure_desktop_name[] = L"Screen-saver";

bool closing = false;          // CloseSaverWindow has destroyed (or is destroying) the window
bool scene_destroyed = false;  // the scene's Destroy has run

bool FullScreen() { return saver_mode == FullScreenMode; }

bool SwitchToSecureDesktop() {
  HDESK desktop = OpenDesktopW(secure_desktop_name, 0, FALSE, GENERIC_ALL);
  if (desktop == nullptr) return false;
  // The handle stays open for the life of the process.
  return SetThreadDesktop(desktop) != FALSE;
}

void OnCreate(HWND window) {
  if (FullScreen()) {
    ShowCursor(FALSE);
    GetCursorPos(&g_start_cursor);
    ArmMonitorOffTimer();
    if (monitor_off_armed) SetTimer(window, monitor_off_timer_id, monitor_off_period_ms, nullptr);
  }
  drive_list.LoadDriveList();
  screen_saver.SetPreviewQuery([] { return is_preview != 0; });
  screen_saver.Create(window, g_instance);
}

void OnDestroy() {
  if (!scene_destroyed) {
    scene_destroyed = true;
    screen_saver.Destroy();
  }
  PostQuitMessage(0);
}

}  // namespace

ATOM RegisterSaverWindowClass(HINSTANCE instance) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = SaverWindowProc;
  window_class.hInstance = instance;
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = g_class_name;
  return RegisterClassExW(&window_class);
}

BOOL CreateSaverWindow(HINSTANCE instance, int show_command) {
  DWORD ex_style = 0;
  DWORD style = 0;
  int width = 0;
  int height = 0;
  if (saver_mode == PreviewMode) {
    style = WS_CHILD | WS_VISIBLE;
    RECT parent_rect = {};
    GetWindowRect(g_parent_window, &parent_rect);
    width = parent_rect.right - parent_rect.left;
    height = parent_rect.bottom - parent_rect.top;
  } else {
    ex_style = WS_EX_TOPMOST;
    style = WS_POPUP | WS_VISIBLE;
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
  HWND window = CreateWindowExW(ex_style, g_class_name, g_window_name, style, 0, 0, width, height,
                                g_parent_window, nullptr, instance, nullptr);
  if (window == nullptr) return FALSE;
  ShowWindow(window, show_command);
  UpdateWindow(window);
  return TRUE;
}

BOOL CloseSaverWindow(HWND window) {
  if (closing) return FALSE;
  closing = true;
  return DestroyWindow(window);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_TIMER:
      if (wparam == monitor_off_timer_id) {
        OnMonitorOffTick(GetTickCount());
      } else {
        screen_saver.UpdateSchedule();
        screen_saver.Paint();
      }
      return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
      if (FullScreen() && LOWORD(wparam) == 0) CloseSaverWindow(window);
      return 0;
    case WM_SETCURSOR:
      if (FullScreen()) SetCursor(nullptr);
      return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (FullScreen()) CloseSaverWindow(window);
      return 0;
    case WM_MOUSEMOVE:
      if (FullScreen()) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        if (CursorMovedTooFar(g_start_cursor, cursor, mouse_move_tolerance)) {
          CloseSaverWindow(window);
        }
      }
      return 0;
    case WM_SYSCOMMAND:
      // Every system command is answered without default processing: the refused ones
      // in full screen, and the rest (the monitor-off broadcast among them) alike.
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

int RunSaverWindow() {
  LoadStringW(g_instance, IDS_WINDOW_NAME, g_window_name, 100);
  LoadStringW(g_instance, IDS_CLASS_NAME, g_class_name, 100);
  RegisterSaverWindowClass(g_instance);
  LoadSecureFlag();
  if (use_secure_desktop == 1 && !SwitchToSecureDesktop()) return 0;
  if (!CreateSaverWindow(g_instance, SW_SHOW)) return 0;
  MSG message = {};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The monitor-off quit leaves the scene undestroyed; the engine must not call into it
  // while the process tears its static objects down.
  if (!scene_destroyed) screen_saver.StopEngineReports();
  return static_cast<int>(message.wParam);
}

int IsAnotherInstanceRunning() {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, mutex_name);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return 1;
  }
  return 0;  // the handle and its ownership stay with the process
}
