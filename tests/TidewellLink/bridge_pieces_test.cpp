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

TEST(EngineInterfaces, MethodsSitInTheirSlots) {
  EXPECT_EQ(Slot(&IVolume::Release), 0);
  int slot = 0;
#define X(method) EXPECT_EQ(Slot(&IVolume::method), ++slot) << #method;
  X(GetDriveName)
  X(GetDisplayName) X(GetVolumeLabel) X(GetFileSystemName) X(GetBytesPerSector)
      X(GetSectorsPerCluster) X(GetDiskSize) X(GetFreeSize) X(GetUsedSize) X(GetTotalClusters)
          X(GetTotalDirs) X(GetTotalFiles) X(GetFragmentedFiles) X(GetDefragmentedFiles)
              X(GetTotalFragments) X(GetSkippedFiles) X(GetFragmentedSize) X(GetNondefragmentedSize)
                  X(GetCurrentFile) X(GetPercentDone) X(GetAccessStatus) X(Reserved22) X(Reserved23)
                      X(GetReportFile) X(SetReportFile) X(GetDefragPriority) X(SetDefragPriority) X(
                          GetFileMask) X(SetFileMask) X(Reserved30) X(GetFragmentation)
                          X(GetExclusionList) X(Reserved33) X(GetSkipFragments) X(SetSkipFragments)
                              X(GetFragmentSize) X(SetFragmentSize) X(Reserved38) X(GetInDefrag)
                                  X(GetSuspendedDefrag) X(GetTerminatedDefrag) X(GetDefragComplete)
                                      X(GetInAnalyze) X(GetSuspendedAnalyze) X(GetTerminatedAnalyze)
                                          X(GetAnalyzeComplete) X(OpenVolume) X(UpdateVolumeInfo)
                                              X(Reserved49) X(StartDefrag) X(StopDefrag)
                                                  X(ResumeDefrag) X(PauseDefrag) X(StartAnalyze)
                                                      X(StopAnalyze) X(ResumeAnalyze)
                                                          X(PauseAnalyze) X(isGUI)
                                                              X(GetThreadHandle) X(ForceTerminate)
                                                                  X(GenerateHtmlReport)
                                                                      X(Reserved62) X(Reserved63)
#undef X
                                                                          EXPECT_EQ(slot, 63);
  EXPECT_EQ(
      std::vector<int>({Slot(&ICallback::UpdateProgressInformation), Slot(&ICallback::SetClusters),
                        Slot(&IExclusionList::GetCount), Slot(&IExclusionList::GetItem),
                        Slot(&IExclusionList::Clear), Slot(&IExclusionList::Add)}),
      std::vector<int>({1, 2, 1, 2, 3, 4}));
}

}  // namespace
