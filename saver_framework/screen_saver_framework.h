#pragma once
// The project's own screen-saver framework: it owns the entry point, the switches, the
// saver window and the closing rules, and calls the functions a saver module supplies.
#include <windows.h>

// --- provided by the framework ---
extern HINSTANCE hMainInstance;  // the module's instance, set before any window exists
extern BOOL fChildPreview;       // TRUE while the window is a preview child (p or l)

// Default handling of the saver window's messages; the module's ScreenSaverProc returns
// through it. In full screen it closes the window on input and power events.
LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// --- supplied by the saver module ---
LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL WINAPI RegisterDialogClasses(HINSTANCE instance);
INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam,
                                            LPARAM lparam);
