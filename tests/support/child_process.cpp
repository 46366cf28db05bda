#include "tests/support/child_process.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstring>
#include <cwchar>
#include <vector>

HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeout_ms) {
  HWND found = nullptr;
  PumpMessagesUntil([&] { return (found = find()) != nullptr; }, timeout_ms);
  return found;
}

ChildProcess::ChildProcess(const wchar_t* program, const std::wstring& arguments) {
  std::wstring line = L"\"" + TestProgramDirectory() + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info_)) {
    info_ = {};
  }
}

ChildProcess::~ChildProcess() {
  if (!started()) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool ChildProcess::Running() const {
  return started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD ChildProcess::WaitForExit(DWORD timeout_ms) const {
  PumpMessagesUntil([this] { return !Running(); }, timeout_ms);
  DWORD code = STILL_ACTIVE;
  if (!started() || !GetExitCodeProcess(info_.hProcess, &code)) code = STILL_ACTIVE;
  return code;
}

HWND ChildProcess::WaitForWindow(const wchar_t* window_class, const wchar_t* title) const {
  HWND window = nullptr;
  PumpMessagesUntil(
      [&] {
        window = FindProcessWindow(info_.dwProcessId, window_class, title);
        return window != nullptr || !Running();
      },
      20000);
  return window;
}

bool ChildProcess::WaitForItsChildren(DWORD timeout_ms) const {
  // Its id stays its own while this handle is open, so no other process's children match.
  std::vector<HANDLE> children;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID != info_.dwProcessId) continue;
    if (HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      children.push_back(child);
    }
  }
  CloseHandle(snapshot);
  const bool ended = PumpMessagesUntil(
      [&] {
        for (HANDLE child : children)
          if (WaitForSingleObject(child, 0) == WAIT_TIMEOUT) return false;
        return true;
      },
      timeout_ms);
  for (HANDLE child : children) CloseHandle(child);
  return ended;
}

bool RunsAloneOrDelegates(const char* test_name) {
  wchar_t marker[4] = L"";
  if (GetEnvironmentVariableW(L"TW_TEST_ALONE", marker, 4) == 1) return true;
  wchar_t program[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  SetEnvironmentVariableW(L"TW_TEST_ALONE", L"1");
  const ChildProcess alone(
      wcsrchr(program, L'\\') + 1,
      L"--gtest_filter=" + std::wstring(test_name, test_name + strlen(test_name)));
  SetEnvironmentVariableW(L"TW_TEST_ALONE", nullptr);
  EXPECT_TRUE(alone.started()) << "could not start the test alone";
  if (alone.started()) {
    EXPECT_EQ(alone.WaitForExit(60000), 0u)
        << test_name << " failed when run alone (its output is above)";
  }
  return false;
}
