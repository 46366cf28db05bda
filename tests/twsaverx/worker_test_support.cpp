#include "tests/twsaverx/worker_test_support.h"

#include <shellapi.h>

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

std::wstring AccountName() {
  wchar_t name[300] = L"";
  DWORD size = 300;
  GetUserNameW(name, &size);
  return name;
}

PowerReadings Readings(BYTE ac_line, ULONG ac_s, ULONG dc_s, int saver_s) {
  PowerReadings r;
  r.running_ok = r.saver_timeout_ok = r.power_status_ok = r.policies_ok = true;
  r.saver_running = TRUE;
  r.saver_timeout_s = saver_s;
  r.ac_line_status = ac_line;
  r.video_timeout_ac_s = ac_s;
  r.video_timeout_dc_s = dc_s;
  return r;
}
