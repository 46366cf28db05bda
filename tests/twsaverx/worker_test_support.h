#pragma once
// Helpers of the worker's tests: scratch folders, power readings, and the worker program.
#include <windows.h>

#include <string>

#include "tests/support/child_process.h"
#include "tests/support/settings_values.h"
#include "tests/support/test_support.h"
#include "twsaverx/monitor_off.h"

// A fresh folder under the temporary directory, removed with its contents at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// The name of the user this test runs as.
std::wstring AccountName();

// Readings of a platform that runs the screen saver, with these power source and time-outs.
PowerReadings Readings(BYTE ac_line, ULONG ac_s, ULONG dc_s, int saver_s);

// bin\twsaverx.exe started with `arguments`.
struct WorkerProcess : ChildProcess {
  explicit WorkerProcess(const std::wstring& arguments = L"")
      : ChildProcess(L"twsaverx.exe", arguments) {}
};
