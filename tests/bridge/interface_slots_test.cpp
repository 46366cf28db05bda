// The engine's binary interface: each named method sits in its slot, counted
// from 1 after IUnknown's three, the unnamed IVolume slots included.

#include "TidewellLink/engine_interfaces.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Itanium C++ ABI (g++): a pointer to a virtual member holds 1 + the byte
// offset of its vtable entry.
template <class Method>
int Slot(Method method)
{
    ptrdiff_t raw = 0;
    std::memcpy(&raw, &method, sizeof(raw));
    return static_cast<int>((raw - 1) / static_cast<ptrdiff_t>(sizeof(void*))) - 2;
}

TEST(EngineInterfaces, MethodsSitInTheirSlots)
{
    EXPECT_EQ(Slot(&IVolume::Release), 0);
    int slot = 0;
#define X(method) EXPECT_EQ(Slot(&IVolume::method), ++slot) << #method;
    X(GetDriveName) X(GetDisplayName) X(GetVolumeLabel) X(GetFileSystemName) X(GetBytesPerSector)
    X(GetSectorsPerCluster) X(GetDiskSize) X(GetFreeSize) X(GetUsedSize) X(GetTotalClusters)
    X(GetTotalDirs) X(GetTotalFiles) X(GetFragmentedFiles) X(GetDefragmentedFiles)
    X(GetTotalFragments) X(GetSkippedFiles) X(GetFragmentedSize) X(GetNondefragmentedSize)
    X(GetCurrentFile) X(GetPercentDone) X(GetAccessStatus) X(Reserved22) X(Reserved23)
    X(GetReportFile) X(SetReportFile) X(GetDefragPriority) X(SetDefragPriority) X(GetFileMask)
    X(SetFileMask) X(Reserved30) X(GetFragmentation) X(GetExclusionList) X(Reserved33)
    X(GetSkipFragments) X(SetSkipFragments) X(GetFragmentSize) X(SetFragmentSize) X(Reserved38)
    X(GetInDefrag) X(GetSuspendedDefrag) X(GetTerminatedDefrag) X(GetDefragComplete) X(GetInAnalyze)
    X(GetSuspendedAnalyze) X(GetTerminatedAnalyze) X(GetAnalyzeComplete) X(OpenVolume)
    X(UpdateVolumeInfo) X(Reserved49) X(StartDefrag) X(StopDefrag) X(ResumeDefrag) X(PauseDefrag)
    X(StartAnalyze) X(StopAnalyze) X(ResumeAnalyze) X(PauseAnalyze) X(isGUI) X(GetThreadHandle)
    X(ForceTerminate) X(GenerateHtmlReport) X(Reserved62) X(Reserved63)
#undef X
    EXPECT_EQ(slot, 63);
    EXPECT_EQ(std::vector<int>({Slot(&ICallback::UpdateProgressInformation),
                                Slot(&ICallback::SetClusters), Slot(&IExclusionList::GetCount),
                                Slot(&IExclusionList::GetItem), Slot(&IExclusionList::Clear),
                                Slot(&IExclusionList::Add)}),
              std::vector<int>({1, 2, 1, 2, 3, 4}));
}

}  // namespace
