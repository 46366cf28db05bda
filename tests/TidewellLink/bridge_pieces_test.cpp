// The bridge's pieces without the DLL: exclusion multi-strings, the debug
// log's line and open retry, the callback object, the fault guard, and the
// engine interfaces' slots (counted from 1 after IUnknown's three).

#include "TidewellLink/debug_log.h"
#include "TidewellLink/engine_interfaces.h"
#include "TidewellLink/exclusion_text.h"
#include "TidewellLink/fault_guard.h"
#include "TidewellLink/wrapper_callback.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Built texts: non-empty entries, three NULs; the buffer grows to fit, never shrinks.
TEST(ExclusionText, BuildSkipsEmptyEntriesAndReusesItsBuffer) {
  std::vector<wchar_t> buffer(4, L'z');
  EXPECT_EQ(BuildExclusionText({L"", L""}, buffer), nullptr);
  EXPECT_EQ(buffer, std::vector<wchar_t>(4, L'z'));  // untouched
  ASSERT_NE(BuildExclusionText({L"C:\\Temp", L"", L"D:\\x"}, buffer), nullptr);
  EXPECT_EQ(buffer.size(), 16u);  // total 13 + 3
  const wchar_t* text = BuildExclusionText({L"a"}, buffer);
  EXPECT_EQ(buffer.size(), 16u);
  EXPECT_EQ(std::wstring(text, 4), std::wstring(L"a\0\0\0", 4));
  std::vector<wchar_t> exact(5, L'z');  // total + 3 equal to the length: reused as it is
  EXPECT_EQ(BuildExclusionText({L"a"}, exact), exact.data());
  EXPECT_EQ(exact.size(), 5u);
  EXPECT_TRUE(ParseExclusionText(nullptr).empty());
}

TEST(DebugLog, LineIsTimeProgramAndMessageAndOpeningIsRetriedFor100Milliseconds) {
  SYSTEMTIME time = {2026, 1, 0, 1, 14, 3, 27, 45};
  EXPECT_EQ(FormatDebugLogLine(time, L":", L"twsaverx.exe", L"TVolumeHandle.Create"),
            L"14:03:27:045: (twsaverx.exe) TVolumeHandle.Create");
  time.wHour = 0;
  time.wMilliseconds = 999;
  // Another separator; the message is text, never a format.
  EXPECT_EQ(FormatDebugLogLine(time, L".", L"a.scr", L"%s%n%d"), L"00.03.27.999: (a.scr) %s%n%d");
  // Opening the file is retried, with pauses, for 100 ms.
  int tries = 0;
  DWORD start = GetTickCount();
  EXPECT_EQ(RetryOpenFor100Ms([&] { return ++tries, INVALID_HANDLE_VALUE; }), INVALID_HANDLE_VALUE);
  DWORD waited = GetTickCount() - start;
  EXPECT_GE(waited, 100u);
  EXPECT_LT(waited, 3000u);
  EXPECT_GT(tries, 1);
  EXPECT_LE(tries, 200) << "pauses between tries, no spinning";
  tries = 0;
  EXPECT_EQ(RetryOpenFor100Ms([&] { return ++tries < 3 ? INVALID_HANDLE_VALUE : HANDLE(7); }),
            HANDLE(7));
  EXPECT_EQ(tries, 3);
}

int64_t g_recorded[3] = {};

void __stdcall RecordClusters(int64_t first, int64_t last, int32_t state) {
  g_recorded[0] = first, g_recorded[1] = last, g_recorded[2] = state;
}

TEST(WrapperCallback, MovesTheStateLastAndCountsFromZero) {
  TWrapperCallback* callback = TWrapperCallback::Create(nullptr, RecordClusters);
  EXPECT_EQ(callback->AddRef(), 1u);  // the first holder's reference
  EXPECT_EQ(callback->SetClusters(3, 100, 199), S_OK);
  EXPECT_EQ(std::vector<int64_t>(g_recorded, g_recorded + 3), (std::vector<int64_t>{100, 199, 3}));
  EXPECT_EQ(callback->UpdateProgressInformation(42), S_OK);  // no host function: dropped
  EXPECT_EQ(callback->Release(), 0u);
}

void TouchNowhere() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}

// Meanwhile another thread faults 300 times; the process works on.
TEST(FaultGuard, FaultsExceptionsAndRaisesEndTheBodyHandlersInsideComeFirst) {
  int stopped = 0;
  std::thread worker([&] {
    for (int i = 0; i < 300; ++i) stopped += RunGuarded([] { TouchNowhere(); }) ? 0 : 1;
  });
  EXPECT_FALSE(RunGuarded([] { TouchNowhere(); }));
  EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("engine"); }));
  EXPECT_FALSE(RunGuarded([] { RaiseException(0xE0001234, 0, 0, nullptr); }));
  EXPECT_FALSE(RunGuarded([] {
    volatile int zero = 0, dividend = 7;
    volatile int quotient = dividend / zero;  // the processor's own division fault
    (void)quotient;
  }));
  // The body's own handlers and a nested guard stop theirs; the body goes on.
  int reached = 0;
  EXPECT_TRUE(RunGuarded([&] {
    try {
      throw 7;
    } catch (int value) {
      reached = value;
    }
    for (int i = 0; i < 300; ++i) reached += RunGuarded([] { TouchNowhere(); }) ? 0 : 1;
  }));
  worker.join();
  EXPECT_EQ(reached, 307);
  EXPECT_EQ(stopped, 300);
  EXPECT_TRUE(RunGuarded([] {}));
}

// Itanium C++ ABI (g++): a pointer to a virtual member holds 1 + the byte
// offset of its vtable entry.
template <class Method>
int Slot(Method method) {
  ptrdiff_t raw = 0;
  std::memcpy(&raw, &method, sizeof(raw));
  return static_cast<int>((raw - 1) / static_cast<ptrdiff_t>(sizeof(void*))) - 2;
}

template <class... Methods>
std::vector<int> Slots(Methods... methods) {
  return {Slot(methods)...};
}

TEST(EngineInterfaces, MethodsSitInTheirSlots) {
  // IVolume: Release in slot 0, then its own methods in slots 1 to 63 in this order.
  const std::vector<int> volume = Slots(
      &IVolume::Release, &IVolume::GetDriveName, &IVolume::GetDisplayName, &IVolume::GetVolumeLabel,
      &IVolume::GetFileSystemName, &IVolume::GetBytesPerSector, &IVolume::GetSectorsPerCluster,
      &IVolume::GetDiskSize, &IVolume::GetFreeSize, &IVolume::GetUsedSize,
      &IVolume::GetTotalClusters, &IVolume::GetTotalDirs, &IVolume::GetTotalFiles,
      &IVolume::GetFragmentedFiles, &IVolume::GetDefragmentedFiles, &IVolume::GetTotalFragments,
      &IVolume::GetSkippedFiles, &IVolume::GetFragmentedSize, &IVolume::GetNondefragmentedSize,
      &IVolume::GetCurrentFile, &IVolume::GetPercentDone, &IVolume::GetAccessStatus,
      &IVolume::Reserved22, &IVolume::Reserved23, &IVolume::GetReportFile, &IVolume::SetReportFile,
      &IVolume::GetDefragPriority, &IVolume::SetDefragPriority, &IVolume::GetFileMask,
      &IVolume::SetFileMask, &IVolume::Reserved30, &IVolume::GetFragmentation,
      &IVolume::GetExclusionList, &IVolume::Reserved33, &IVolume::GetSkipFragments,
      &IVolume::SetSkipFragments, &IVolume::GetFragmentSize, &IVolume::SetFragmentSize,
      &IVolume::Reserved38, &IVolume::GetInDefrag, &IVolume::GetSuspendedDefrag,
      &IVolume::GetTerminatedDefrag, &IVolume::GetDefragComplete, &IVolume::GetInAnalyze,
      &IVolume::GetSuspendedAnalyze, &IVolume::GetTerminatedAnalyze, &IVolume::GetAnalyzeComplete,
      &IVolume::OpenVolume, &IVolume::UpdateVolumeInfo, &IVolume::Reserved49, &IVolume::StartDefrag,
      &IVolume::StopDefrag, &IVolume::ResumeDefrag, &IVolume::PauseDefrag, &IVolume::StartAnalyze,
      &IVolume::StopAnalyze, &IVolume::ResumeAnalyze, &IVolume::PauseAnalyze, &IVolume::isGUI,
      &IVolume::GetThreadHandle, &IVolume::ForceTerminate, &IVolume::GenerateHtmlReport,
      &IVolume::Reserved62, &IVolume::Reserved63);
  ASSERT_EQ(volume.size(), 64u);
  for (int slot = 0; slot < 64; ++slot) EXPECT_EQ(volume[slot], slot) << "method " << slot;
  EXPECT_EQ(Slots(&ICallback::UpdateProgressInformation, &ICallback::SetClusters,
                  &IExclusionList::GetCount, &IExclusionList::GetItem, &IExclusionList::Clear,
                  &IExclusionList::Add),
            std::vector<int>({1, 2, 1, 2, 3, 4}));
}

}  // namespace
