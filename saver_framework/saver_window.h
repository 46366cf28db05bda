#pragma once
// The framework's saver window: class, creation, message routing and closing.
#include <windows.h>

constexpr wchar_t kSaverWindowClass[] = L"WindowsScreenSaverClass";
constexpr wchar_t kFullScreenWindowName[] = L"Screen Saver";
constexpr wchar_t kPreviewWindowName[] = L"Preview";

// Runs the full-screen saver (parent NULL) or the preview inside `parent` until the
// window is gone. Returns the quit code, 0 when another full-screen saver already runs,
// and -1 when the window cannot be made.
int RunSaverWindow(HWND parent);
