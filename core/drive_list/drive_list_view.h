#pragma once
// Seams of the settings dialog's drive list view (the DiskList methods live in
// core/drive_list.h).
#include <windows.h>

// Gives the small icon that stands for a drive root, or NULL when there is none. The
// caller destroys a returned icon.
using DriveIconSource = HICON (*)(const wchar_t* root_path);

// Installs `source` (nullptr restores the shell's icons) and returns the one it replaces.
DriveIconSource SetDriveIconSource(DriveIconSource source);
