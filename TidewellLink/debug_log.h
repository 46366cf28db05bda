// The bridge's optional diagnostic log "debug.log" beside the host program.
// Off unless HKCU\Software\Orbenlake\DebugMode\DebugMode is REG_DWORD 1 or the
// host's first argument is "-debug"; decided once per process, at the first line.

#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

enum DebugMode : uint8_t { DebugModeUndecided = 0, DebugModeOff = 2, DebugModeOn = 3 };

// The process's mode, decided at its first line.
extern std::atomic<uint8_t> g_debug_mode;

bool IsDebugModeOn();
bool IsDebugModeOff();

// With the log off (once decided) this is one comparison of the mode byte.
inline bool IsDebugLogOff() {
  const uint8_t mode = g_debug_mode.load(std::memory_order_relaxed);
  return mode == DebugModeOff || (mode == DebugModeUndecided && IsDebugModeOff());
}

// Writes one line when the log is on. The message is text, never a format.
void DebugLog(const std::wstring& message);
void DebugLog(const wchar_t* message);

// For a message that has to be put together: build() runs only when the log is on,
// so that a log that is off costs no more than the check.
template <class Build>
void DebugLogBuilt(Build&& build) {
  if (IsDebugLogOff()) return;
  DebugLog(build());
}

uint8_t GetDebugMode();
bool ReadDebugModeSetting();
// True once the setting switched the log on: the open handles are then
// reported as leaks at the end of the process.
bool IsLeakReportOn();
void AppendDebugLogLine(const std::wstring& line);

// Tries open() until it gives a handle or 100 ms have passed since the first
// try, sleeping between tries; INVALID_HANDLE_VALUE when the time ran out.
HANDLE RetryOpenFor100Ms(const std::function<HANDLE()>& open);

// "hh:nn:ss:zzz: (program.exe) message", with the locale's time separator.
std::wstring FormatDebugLogLine(const SYSTEMTIME& time, const std::wstring& separator,
                                const std::wstring& program_name, const std::wstring& message);
