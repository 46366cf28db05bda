// A small host program for the debug log tests: the log is decided once per
// process (registry value or the first argument "-debug"), so each case runs
// in a process of its own. The case comes from TW_PROBE_SCENARIO.

#include "tests/TidewellLink/bridge_library.h"

namespace {

void FaultingProgress() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}
// An i686 C++ exception cannot leave the module that throws it (each module carries
// its own unwinder), so there the host's error is a structured exception.
void __stdcall ThrowingClusters(int64_t, int64_t, int32_t) {
#if defined(__i386__)
  RaiseException(0xE0484F53, 0, 0, nullptr);
#else
  throw 1;
#endif
}

}  // namespace

int main() {
  std::wstring program_dir = TestProgramDirectory() + L"..\\Orbenlake Tidewell ScreenSaver";
  BridgeLibrary b;
  if (!b.Load(program_dir)) return 10;
  wchar_t scenario_text[64] = L"";
  GetEnvironmentVariableW(L"TW_PROBE_SCENARIO", scenario_text, 64);
  std::wstring scenario = scenario_text;
  SetCurrentDirectoryW(
      (scenario == L"missing_engine" ? TestProgramDirectory() : program_dir).c_str());
  auto open = [&](const wchar_t* drive) { return b.GetVolumeHandle(drive, nullptr, nullptr, 1); };

  if (scenario == L"open_close" || scenario == L"missing_engine") {
    if (int32_t handle = open(L"C:\\")) b.CloseVolumeHandle(handle);
  } else if (scenario == L"full_table") {
    for (int i = 0; i < 10; ++i) open(L"C:\\");
    open(L"E:\\");  // no entry left
  } else if (scenario == L"bad_close") {
    b.CloseVolumeHandle(-1);
  } else if (scenario == L"reuse") {
    for (int i = 0; i < 3; ++i) open(L"C:\\");
    b.CloseVolumeHandle(2);
    open(L"D:\\");
  } else if (scenario == L"setters_without_volume") {
    SetEnvironmentVariableW(L"TW_SIM_NO_VOLUME", L"1");  // read when the engine loads
    b.SetDefragPriority(5, 1);                           // invalid handle: no line
    int32_t handle = open(L"C:\\");
    b.SetReportFile(handle, L"r");
    b.SetDefragPriority(handle, 1);
    b.SetFileMask(handle, L"*");
    b.SetExclusionList(handle, L"a\0\0");
    b.SetSkipFragments(handle, 1);
    b.SetFragmentSize(handle, 1);
  } else if (scenario == L"callback_fault") {
    int32_t handle = b.GetVolumeHandle(L"C:\\", FaultingProgress, ThrowingClusters, 1);
    b.StartAnalyze(handle, nullptr, 1);
    for (int i = 0; i < 1000 && !b.GetAnalyzeComplete(handle); ++i) Sleep(10);
    b.CloseVolumeHandle(handle);
  } else if (scenario == L"leak") {
    // Handle 2 is left open while the engine reports: the end of the process names it.
    b.CloseVolumeHandle(open(L"C:\\"));
    open(L"C:\\");
    int32_t handle = open(L"D:\\");
    b.CloseVolumeHandle(1);
    b.StartAnalyze(handle, nullptr, 1);
  } else if (scenario == L"release_fault") {
    SetEnvironmentVariableW(L"TW_SIM_FAULT", L"Release");  // the volume's
    b.CloseVolumeHandle(open(L"C:\\"));
    open(L"C:\\");
  } else if (scenario == L"many_lines") {
    for (int i = 0; i < 200; ++i) b.CloseVolumeHandle(-1);
  } else {
    return 12;
  }
  return 0;
}
