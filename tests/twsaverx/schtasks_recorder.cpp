// Stand-in for schtasks.exe: writes the parameters it was started with (the command line
// after the program name and its blanks, UTF-16LE, no terminator) into a file of its own
// beside itself, so that a test can read every start even when several overlap.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR parameters, int) {
  wchar_t exe[MAX_PATH * 2] = L"";
  GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
  std::wstring folder = exe;
  folder = folder.substr(0, folder.rfind(L'\\'));
  wchar_t name[64];
  swprintf(name, 64, L"\\call-%lu.rec", GetCurrentProcessId());
  std::wstring temp_path = folder + name + L".tmp";
  HANDLE file = CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, parameters, static_cast<DWORD>(wcslen(parameters) * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
  // Renamed only when complete, so a reader never sees half a record.
  MoveFileW(temp_path.c_str(), (folder + name).c_str());
  return 0;
}
