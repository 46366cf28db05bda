#include "saver_framework/saver_window.h"

#include <imm.h>

#include "saver_framework/close_rules.h"
#include "saver_framework/screen_saver_framework.h"

BOOL fChildPreview = FALSE;

namespace {

using ImmAssociateContextFunction = HIMC(WINAPI*)(HWND, HIMC);

// What the framework remembers about its one window.
struct SaverWindowState {
  HWND parent = nullptr;
  POINT cursor = {};
  BYTE ac_line_status = 255;
  HIMC old_input_context = nullptr;
  bool close_requested = false;
  // Set once the window is being destroyed: under wine a deactivation that arrives while
  // the window is torn down would otherwise start its destruction again.
  bool destroying = false;
};

SaverWindowState g_state;

constexpr UINT kHelpForwardTimeoutMs = 5000;

BYTE CurrentAcLineStatus() {
  SYSTEM_POWER_STATUS status = {};
  return GetSystemPowerStatus(&status) ? status.ACLineStatus : 255;
}

// The input-method library is used only when something already loaded it.
ImmAssociateContextFunction FindImmAssociateContext() {
  HMODULE imm = GetModuleHandleW(L"imm32.dll");
  if (imm == nullptr) return nullptr;
  return reinterpret_cast<ImmAssociateContextFunction>(
      reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")));
}

void RequestClose(HWND window) {
  if (g_state.close_requested || g_state.destroying) return;
  g_state.close_requested = true;
  PostMessageW(window, WM_CLOSE, 0, 0);
}

// The request points to its HELPINFO, which a posted message cannot carry; a sent one
// reaches the parent with its data, also in another process. Bounded, so that a parent
// that hangs cannot hang the preview; answers whether the request arrived.
LRESULT ForwardHelpToParent(LPARAM help_info) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(g_state.parent, WM_HELP, reinterpret_cast<WPARAM>(g_state.parent),
                             help_info, SMTO_NORMAL | SMTO_ABORTIFHUNG, kHelpForwardTimeoutMs,
                             &answer) != 0
             ? 1
             : 0;
}

bool IsInputMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

void OnCreate(HWND window) {
  if (ImmAssociateContextFunction associate = FindImmAssociateContext()) {
    g_state.old_input_context = associate(window, nullptr);
  }
  GetCursorPos(&g_state.cursor);
  if (!fChildPreview) SetCursor(nullptr);
}

void OnDestroy(HWND window) {
  g_state.destroying = true;
  if (ImmAssociateContextFunction associate = FindImmAssociateContext()) {
    associate(window, g_state.old_input_context);
  }
  PostQuitMessage(0);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      break;
    case WM_DESTROY:
      OnDestroy(window);
      break;
    case WM_PAINT:
      if (!fChildPreview) SetCursor(nullptr);
      if (g_state.close_requested) return DefWindowProcW(window, message, wparam, lparam);
      break;
    case WM_TIMER:
      if (g_state.close_requested) return 0;
      Sleep(0);
      break;
    case WM_SETTEXT:
      return 0;
    case WM_SYSCOMMAND:
      if (!fChildPreview) {
        switch (wparam & 0xFFF0) {
          case SC_NEXTWINDOW:
          case SC_PREVWINDOW:
          case SC_SCREENSAVE:
            return 0;
          case SC_MONITORPOWER:
            RequestClose(window);
            break;
          default:
            break;
        }
      }
      break;
    case WM_HELP:
      if (fChildPreview) return ForwardHelpToParent(lparam);
      break;
    case WM_CONTEXTMENU:
      if (fChildPreview) {
        PostMessageW(g_state.parent, message, reinterpret_cast<WPARAM>(g_state.parent), lparam);
        return 1;
      }
      break;
    default:
      // Once closing, input is not the module's business any more.
      if (g_state.close_requested && IsInputMessage(message)) {
        return DefScreenSaverProc(window, message, wparam, lparam);
      }
      break;
  }
  return ScreenSaverProc(window, message, wparam, lparam);
}

bool RegisterSaverClass() {
  WNDCLASSW window_class = {};
  window_class.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = SaverWindowProc;
  window_class.hInstance = hMainInstance;
  // The module carries no icon 100, so the class normally gets none.
  window_class.hIcon = LoadIconW(hMainInstance, MAKEINTRESOURCEW(100));
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = kSaverWindowClass;
  return RegisterClassW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

RECT FullScreenRect() {
  RECT rect = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width == 0 || height == 0) {
    HDC screen = GetDC(nullptr);
    GetClipBox(screen, &rect);
    ReleaseDC(nullptr, screen);
    return rect;
  }
  rect.right = rect.left + width;
  rect.bottom = rect.top + height;
  return rect;
}

HWND CreateFullScreenWindow() {
  const RECT rect = FullScreenRect();
  return CreateWindowExW(WS_EX_TOPMOST, kSaverWindowClass, kFullScreenWindowName,
                         WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                         hMainInstance, nullptr);
}

HWND CreatePreviewWindow(HWND parent) {
  RECT client = {};
  GetClientRect(parent, &client);
  return CreateWindowExW(0, kSaverWindowClass, kPreviewWindowName,
                         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right, client.bottom,
                         parent, nullptr, hMainInstance, nullptr);
}

}  // namespace

LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!fChildPreview) {
    switch (message) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
        RequestClose(window);
        break;
      case WM_MOUSEMOVE: {
        POINT now = {};
        if (GetCursorPos(&now) && MouseMovedPastThreshold(g_state.cursor, now)) {
          RequestClose(window);
          g_state.cursor = now;
        }
        break;
      }
      case WM_ACTIVATEAPP:
        if (!wparam) RequestClose(window);
        break;
      case WM_POWER:
        if (wparam == PWR_CRITICALRESUME) RequestClose(window);
        break;
      case WM_POWERBROADCAST: {
        bool unchanged = true;
        if (wparam == PBT_APMPOWERSTATUSCHANGE) {
          const BYTE status = CurrentAcLineStatus();
          unchanged = status == g_state.ac_line_status;
          g_state.ac_line_status = status;
        }
        if (PowerBroadcastCloses(wparam, lparam, unchanged)) RequestClose(window);
        break;
      }
      case WM_SHOWWINDOW:
        if (wparam) SetCursor(nullptr);
        break;
      case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
      default:
        break;
    }
  }
  if (message == WM_CLOSE) {
    // A second close while the window is already going away must not destroy it again.
    if (g_state.destroying) return 0;
    g_state.close_requested = true;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

int RunSaverWindow(HWND parent) {
  g_state = SaverWindowState();
  g_state.parent = parent;
  fChildPreview = parent != nullptr ? TRUE : FALSE;
  if (!fChildPreview) {
    if (HWND running = FindWindowW(kSaverWindowClass, kFullScreenWindowName)) {
      SetForegroundWindow(running);
      return 0;
    }
    g_state.ac_line_status = CurrentAcLineStatus();
  }
  if (!RegisterSaverClass()) return -1;
  HWND window = fChildPreview ? CreatePreviewWindow(parent) : CreateFullScreenWindow();
  if (window == nullptr) return -1;
  if (!fChildPreview) SetForegroundWindow(window);

  MSG message;
  int result;
  while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return result < 0 ? -1 : static_cast<int>(message.wParam);
}
