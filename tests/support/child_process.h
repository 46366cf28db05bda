#pragma once
// A program of the test's own folder run as a child process, the way the system starts it.
#include <windows.h>

#include <functional>
#include <string>

// A window handle in decimal, as a command line passes it.
inline std::wstring WindowNumber(HWND window) {
  return std::to_wstring(reinterpret_cast<uintptr_t>(window));
}

// Pumps this thread's messages until `find` gives a window or `timeout_ms` pass.
HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeout_ms = 20000);

class ChildProcess {
 public:
  ChildProcess(const wchar_t* program, const std::wstring& arguments);
  ~ChildProcess();  // ends it by force if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  DWORD id() const { return info_.dwProcessId; }
  bool Running() const;
  // The exit code, or STILL_ACTIVE when it did not end in time. Serves this thread's
  // windows meanwhile: the child may send messages to them.
  DWORD WaitForExit(DWORD timeout_ms = 15000) const;
  // Its first top-level window of this class (and title); nullptr when it ends first.
  HWND WaitForWindow(const wchar_t* window_class, const wchar_t* title = nullptr) const;
  // Once it has ended: waits until every process it started and left running has ended
  // too; false when one still runs after `timeout_ms` (times the time scale).
  bool WaitForItsChildren(DWORD timeout_ms) const;

 private:
  PROCESS_INFORMATION info_ = {};
};

// For a test that needs a process where nothing else ran (libraries that stay loaded once
// loaded): false in the test executable's own run, which then runs the test again alone in
// a new process of the same executable (gtest filter `test_name`) and checks that it passed;
// true in that new process, where the test does its work.
bool RunsAloneOrDelegates(const char* test_name);
