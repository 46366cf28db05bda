#include "debug_log.h"

#include <shellapi.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

std::atomic<uint8_t> g_debug_mode{DebugModeUndecided};

namespace {

std::atomic<bool> g_report_leaks{false};
std::wstring g_debug_log_dir;
std::once_flag g_debug_log_dir_once;

const wchar_t kDebugModeKey[] = L"Software\\Orbenlake\\DebugMode";
const wchar_t kDebugModeValue[] = L"DebugMode";
const wchar_t kDebugLogName[] = L"debug.log";
const DWORD kOpenRetryMs = 100;

std::wstring ExecutablePath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) return std::wstring(path.data(), length);
    if (path.size() >= 32768) return std::wstring(path.data(), length);
    path.resize(path.size() * 2);
  }
}

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring TimeSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, 8) <= 1) return L":";
  return separator;
}

// "-debug" in any case switches the log on.
bool IsDebugSwitch(const wchar_t* argument) {
  return argument && CompareStringOrdinal(argument, -1, L"-debug", -1, TRUE) == CSTR_EQUAL;
}

// The directory with its delimiter: "C:\a\b.exe" gives "C:\a\".
std::wstring DirectoryWithDelimiter(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::wstring();
  return path.substr(0, slash + 1);
}

bool RegistrySwitchesLogOn() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kDebugModeKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  LONG status = RegQueryValueExW(key, kDebugModeValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value) && value == 1;
}

bool CommandLineSwitchesLogOn() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return false;
  bool on = count > 1 && IsDebugSwitch(arguments[1]);
  LocalFree(arguments);
  return on;
}

void AppendTwoDigits(std::wstring& out, int value) {
  out += static_cast<wchar_t>(L'0' + (value / 10) % 10);
  out += static_cast<wchar_t>(L'0' + value % 10);
}

}  // namespace

std::wstring FormatDebugLogLine(const SYSTEMTIME& time, const std::wstring& separator,
                                const std::wstring& program_name, const std::wstring& message) {
  std::wstring line;
  line.reserve(32 + program_name.size() + message.size());
  AppendTwoDigits(line, time.wHour);
  line += separator;
  AppendTwoDigits(line, time.wMinute);
  line += separator;
  AppendTwoDigits(line, time.wSecond);
  line += separator;
  line += static_cast<wchar_t>(L'0' + (time.wMilliseconds / 100) % 10);
  AppendTwoDigits(line, time.wMilliseconds % 100);
  line += L": (";
  line += program_name;
  line += L") ";
  line += message;
  return line;
}

bool ReadDebugModeSetting() {
  bool on = RegistrySwitchesLogOn() || CommandLineSwitchesLogOn();
  g_report_leaks = on;
  return on;
}

bool IsLeakReportOn() { return g_report_leaks; }

uint8_t GetDebugMode() {
  uint8_t mode = g_debug_mode.load();
  if (mode != DebugModeUndecided) return mode;
  uint8_t decided = ReadDebugModeSetting() ? DebugModeOn : DebugModeOff;
  // The first decision of the process stands, whichever thread made it.
  g_debug_mode.compare_exchange_strong(mode, decided);
  return g_debug_mode.load();
}

bool IsDebugModeOn() { return GetDebugMode() == DebugModeOn; }

bool IsDebugModeOff() { return GetDebugMode() == DebugModeOff; }

HANDLE RetryOpenFor100Ms(const std::function<HANDLE()>& open) {
  DWORD start = GetTickCount();
  for (;;) {
    HANDLE file = open();
    if (file != INVALID_HANDLE_VALUE || GetTickCount() - start > kOpenRetryMs) return file;
    Sleep(1);  // the other writer needs the processor to finish its line
  }
}

void AppendDebugLogLine(const std::wstring& line) {
  std::call_once(g_debug_log_dir_once,
                 [] { g_debug_log_dir = DirectoryWithDelimiter(ExecutablePath()); });
  std::wstring path = g_debug_log_dir + kDebugLogName;
  std::wstring text = line + L"\r\n";

  // The file is opened without write sharing, so concurrent writers (threads
  // or processes) take turns.
  HANDLE file = RetryOpenFor100Ms([&] {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_ALWAYS, 0, nullptr);
  });
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER no_move = {};
  if (SetFilePointerEx(file, no_move, nullptr, FILE_END)) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
  }
  CloseHandle(file);
}

namespace {

void WriteDebugLogLine(const std::wstring& message) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  AppendDebugLogLine(
      FormatDebugLogLine(now, TimeSeparator(), FileNameOf(ExecutablePath()), message));
}

}  // namespace

void DebugLog(const std::wstring& message) {
  if (IsDebugLogOff()) return;
  try {
    WriteDebugLogLine(message);
  } catch (...) {
    // Out of memory while formatting costs the line, nothing more.
  }
}

void DebugLog(const wchar_t* message) {
  if (IsDebugLogOff()) return;
  try {
    WriteDebugLogLine(message);
  } catch (...) {
    // As above: the line is lost, the caller goes on.
  }
}
