#pragma once
// The worker's saver window: full screen (closed by input) or a preview child window.
#include <windows.h>

#include "twsaverx/stored_switches.h"

extern HINSTANCE g_instance;
extern int saver_mode;  // a SaverMode
extern int is_preview;
extern HWND g_parent_window;
extern POINT g_start_cursor;
extern wchar_t g_window_name[100];
extern wchar_t g_class_name[100];

ATOM RegisterSaverWindowClass(HINSTANCE instance);
BOOL CreateSaverWindow(HINSTANCE instance, int show_command);
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Runs the preview or full-screen window; the quit code, or 0 when nothing could be shown.
int RunSaverWindow();
// Destroys the window once; later calls (destruction deactivates the window, which
// asks to close again) do nothing.
BOOL CloseSaverWindow(HWND window);
// 1 when another full-screen worker holds the mutex; otherwise keeps it for this process.
int IsAnotherInstanceRunning();
