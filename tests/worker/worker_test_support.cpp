#include "tests/worker/worker_test_support.h"

#include <shellapi.h>

#include <cwchar>
#include <fstream>
#include <iterator>

#include "core/registry_text.h"
#include "tests/support/test_support.h"

Bytes Utf16Bytes(const std::wstring& text, bool with_terminator) {
  return Bytes(reinterpret_cast<const char*>(text.c_str()),
               (text.size() + (with_terminator ? 1 : 0)) * sizeof(wchar_t));
}

void SetValue(HKEY root, const wchar_t* name, DWORD type, const Bytes& data) {
  // A text stored without its terminator gets one when a NUL follows it in memory (wine
  // does as NT does): what follows here is not NUL.
  const Bytes guarded = data + "\xFF\xFF";
  RegSetKeyValueW(root, g_settings_key, name, type, guarded.data(),
                  static_cast<DWORD>(data.size()));
}

void SetText(HKEY root, const wchar_t* name, const std::wstring& text) {
  SetValue(root, name, REG_SZ, Utf16Bytes(text));
}

void DeleteValue(HKEY root, const wchar_t* name) { RegDeleteKeyValueW(root, g_settings_key, name); }

std::optional<Bytes> RawValue(HKEY root, const wchar_t* name, DWORD* type) {
  // Queried as stored (RegGetValueW would add a missing terminator), into a room larger
  // than any value of these tests.
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, g_settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  Bytes data(1 << 16, '\0');
  DWORD bytes = static_cast<DWORD>(data.size());
  const LONG rc =
      RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(&data[0]), &bytes);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  data.resize(bytes);
  return data;
}

SavedRegistryValue::SavedRegistryValue(HKEY root, const wchar_t* name)
    : root_(root), name_(name), data_(RawValue(root, name, &type_)) {}

SavedRegistryValue::~SavedRegistryValue() {
  if (data_) {
    SetValue(root_, name_, type_, *data_);
  } else {
    DeleteValue(root_, name_);
  }
}

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH + 1] = L"";
  GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  do {
    path_ = std::wstring(temp) + L"twworker-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
  } while (!CreateDirectoryW(path_.c_str(), nullptr));
}

ScratchFolder::~ScratchFolder() {
  const std::wstring from = path_ + L'\0';  // the list ends with a second terminator
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NO_UI;
  SHFileOperationW(&operation);
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Bytes ReadFileBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

WorkerProcess::WorkerProcess(const std::wstring& arguments) {
  std::wstring line = L"\"" + TestProgramDirectory() + L"twsaverx.exe\"";
  if (!arguments.empty()) line += L" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info_)) {
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
  PumpMessagesUntil([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; },
                    timeout_ms);
  DWORD code = 0;
  if (!GetExitCodeProcess(info_.hProcess, &code) || code == STILL_ACTIVE) return -1;
  return static_cast<long>(code);
}

namespace {

struct ClassSearch {
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK FindClass(HWND window, LPARAM data) {
  ClassSearch* search = reinterpret_cast<ClassSearch*>(data);
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  if (wcscmp(name, search->class_name) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND WaitForWindowOf(DWORD process_id, const wchar_t* class_name, DWORD timeout_ms, HWND parent,
                     HDESK desktop) {
  ClassSearch search = {class_name, nullptr};
  PumpMessagesUntil(
      [&] {
        // The test's own parent window and desktop hold no other window of the class.
        if (parent != nullptr) {
          search.found = FindWindowExW(parent, nullptr, class_name, nullptr);
        } else if (desktop != nullptr) {
          EnumDesktopWindows(desktop, FindClass, reinterpret_cast<LPARAM>(&search));
        } else {
          search.found = FindProcessWindow(process_id, class_name);
        }
        return search.found != nullptr;
      },
      timeout_ms);
  return search.found;
}
