#pragma once
// Small helpers the test areas share: windows, the program subdirectory, process windows
// and message pumping.
#include <windows.h>

#include <functional>
#include <string>

// A visible popup window at 0,0 of the given client size, with a default procedure.
HWND MakeTestWindow(int width, int height, DWORD ex_style = 0);

// The folder of the running test program, ending in a backslash.
std::wstring TestProgramDirectory();

// "<test program folder>\Orbenlake Tidewell ScreenSaver": where the bridge and the
// simulated engine are built.
std::wstring ProgramSubdirectory();

// The first top-level window of `process_id` with this class (and this title, when given).
HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title = nullptr);

// How many times longer than on a real machine a test waits for what it expects:
// TW_TEST_TIME_SCALE (1 to 100, default 1), for runs through an emulator.
DWORD TestTimeScale();

// Dispatches messages until `done` answers true or `timeout_ms` (times the time scale)
// pass; true when done.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeout_ms);

// Whether the platform shows drive C: as the drive list reads it: a fixed drive with a size.
// A test of what a program does with its drives checks this first, so that a prefix without
// drives is named as the cause instead of the program.
bool SystemDriveShown();

bool FileExists(const std::wstring& path);
// The file's bytes; empty when it can't be read.
std::string ReadFileBytes(const std::wstring& path);

// Removes every TW_SIM_* variable from this process's environment, so that the simulated
// engine's next volume starts from its defaults (it reads them for every new volume).
void ClearSimEnvironment();

// Puts the cursor at (x, y) and returns once the display has it as well; false when it
// never does. wine moves the display's pointer only under a grab that another of its
// processes may hold for a moment: a position refused there is read back from the
// display later, by a program that started meanwhile as its starting point, or as a move.
bool PlaceCursor(int x, int y);
