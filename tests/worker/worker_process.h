#pragma once
// Starting the built worker program and finding its windows, for the process tests.
#include <windows.h>

#include <string>

class WorkerProcess {
 public:
  // Starts bin\twsaverx.exe with `arguments` after its quoted path.
  explicit WorkerProcess(const std::wstring& arguments = L"");
  ~WorkerProcess();  // ends the process if a test left it running

  bool started() const { return info_.hProcess != nullptr; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code once the process has ended within `timeout_ms`; -1 if it still runs.
  long WaitForExit(DWORD timeout_ms);
  bool Running();

 private:
  PROCESS_INFORMATION info_ = {};
};

// The first window of class `class_name` (top-level, or a child of `parent` when given)
// that belongs to process `process_id`; waits up to `timeout_ms`.
HWND WaitForProcessWindow(DWORD process_id, const wchar_t* class_name, HWND parent,
                          DWORD timeout_ms);
// The same among the top-level windows of `desktop`.
HWND WaitForDesktopWindow(HDESK desktop, DWORD process_id, const wchar_t* class_name,
                          DWORD timeout_ms);
