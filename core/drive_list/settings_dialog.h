#pragma once
// The settings dialog: drive choice, idle animation switch and the maker's link.
#include <windows.h>

// Dialog procedure of template DLG_SCRNSAVECONFIGURE. The screen-saver framework opens
// the dialog with it for the configuration switch; the worker through ShowSettingsDialog.
INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam,
                                            LPARAM lparam);

// Runs the dialog modally from the template in `instance` over `owner` (may be NULL).
// Returns 1 after OK, 0 after Cancel, -1 when the dialog could not be created.
INT_PTR RunSettingsDialog(HINSTANCE instance, HWND owner);

// The worker's way to the dialog: the template of the executable itself. Always 0.
int ShowSettingsDialog(HWND owner);

// How the maker's link is opened. Tests replace it so that no browser starts.
using LinkOpener = void (*)(const wchar_t* url);
// Installs `opener` (nullptr restores the shell) and returns the one it replaces.
LinkOpener SetLinkOpener(LinkOpener opener);
