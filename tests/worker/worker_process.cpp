#include "tests/worker/worker_process.h"

#include <vector>

#include "tests/worker/worker_test_support.h"

WorkerProcess::WorkerProcess(const std::wstring& arguments) {
  std::wstring command = L"\"" + TestBinaryFolder() + L"\\twsaverx.exe\"";
  if (!arguments.empty()) command += L" " + arguments;
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info_)) {
    info_ = {};
  }
}

WorkerProcess::~WorkerProcess() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

long WorkerProcess::WaitForExit(DWORD timeout_ms) {
  if (info_.hProcess == nullptr) return -1;
  WaitFor([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeout_ms);
  DWORD code = 0;
  if (!GetExitCodeProcess(info_.hProcess, &code) || code == STILL_ACTIVE) return -1;
  return static_cast<long>(code);
}

bool WorkerProcess::Running() {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {

struct WindowSearch {
  DWORD process_id;
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
  DWORD owner_process = 0;
  GetWindowThreadProcessId(window, &owner_process);
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  if (owner_process == search->process_id && wcscmp(name, search->class_name) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND WaitForProcessWindow(DWORD process_id, const wchar_t* class_name, HWND parent,
                          DWORD timeout_ms) {
  WindowSearch search = {process_id, class_name, nullptr};
  WaitFor(
      [&] {
        if (parent != nullptr) {
          EnumChildWindows(parent, MatchWindow, reinterpret_cast<LPARAM>(&search));
        } else {
          EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        }
        return search.found != nullptr;
      },
      timeout_ms);
  return search.found;
}

HWND WaitForDesktopWindow(HDESK desktop, DWORD process_id, const wchar_t* class_name,
                          DWORD timeout_ms) {
  WindowSearch search = {process_id, class_name, nullptr};
  WaitFor(
      [&] {
        EnumDesktopWindows(desktop, MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeout_ms);
  return search.found;
}
