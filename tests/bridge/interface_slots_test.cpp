// The engine's binary interface: each named IVolume method sits in its slot
// (numbered from 1 after IUnknown's three), the unnamed slots included.

#include "TidewellLink/engine_interfaces.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Itanium C++ ABI (g++): a pointer to a virtual member holds 1 + the byte
// offset of its vtable entry.
template <class Method>
int VtableIndex(Method method)
{
    static_assert(sizeof(Method) >= sizeof(ptrdiff_t), "pointer to member");
    ptrdiff_t raw = 0;
    std::memcpy(&raw, &method, sizeof(raw));
    return static_cast<int>((raw - 1) / static_cast<ptrdiff_t>(sizeof(void*)));
}

#define EXPECT_SLOT(interface, method, slot) \
    EXPECT_EQ(VtableIndex(&interface::method) - 2, slot) << #method

TEST(EngineInterfaces, VolumeMethodsSitInTheirSlots)
{
    EXPECT_EQ(VtableIndex(&IVolume::AddRef), 1);
    EXPECT_EQ(VtableIndex(&IVolume::Release), 2);
    EXPECT_SLOT(IVolume, GetDriveName, 1);
    EXPECT_SLOT(IVolume, GetDisplayName, 2);
    EXPECT_SLOT(IVolume, GetVolumeLabel, 3);
    EXPECT_SLOT(IVolume, GetFileSystemName, 4);
    EXPECT_SLOT(IVolume, GetBytesPerSector, 5);
    EXPECT_SLOT(IVolume, GetSectorsPerCluster, 6);
    EXPECT_SLOT(IVolume, GetDiskSize, 7);
    EXPECT_SLOT(IVolume, GetFreeSize, 8);
    EXPECT_SLOT(IVolume, GetUsedSize, 9);
    EXPECT_SLOT(IVolume, GetTotalClusters, 10);
    EXPECT_SLOT(IVolume, GetTotalDirs, 11);
    EXPECT_SLOT(IVolume, GetTotalFiles, 12);
    EXPECT_SLOT(IVolume, GetFragmentedFiles, 13);
    EXPECT_SLOT(IVolume, GetDefragmentedFiles, 14);
    EXPECT_SLOT(IVolume, GetTotalFragments, 15);
    EXPECT_SLOT(IVolume, GetSkippedFiles, 16);
    EXPECT_SLOT(IVolume, GetFragmentedSize, 17);
    EXPECT_SLOT(IVolume, GetNondefragmentedSize, 18);
    EXPECT_SLOT(IVolume, GetCurrentFile, 19);
    EXPECT_SLOT(IVolume, GetPercentDone, 20);
    EXPECT_SLOT(IVolume, GetAccessStatus, 21);
    EXPECT_SLOT(IVolume, Reserved22, 22);
    EXPECT_SLOT(IVolume, Reserved23, 23);
    EXPECT_SLOT(IVolume, GetReportFile, 24);
    EXPECT_SLOT(IVolume, SetReportFile, 25);
    EXPECT_SLOT(IVolume, GetDefragPriority, 26);
    EXPECT_SLOT(IVolume, SetDefragPriority, 27);
    EXPECT_SLOT(IVolume, GetFileMask, 28);
    EXPECT_SLOT(IVolume, SetFileMask, 29);
    EXPECT_SLOT(IVolume, Reserved30, 30);
    EXPECT_SLOT(IVolume, GetFragmentation, 31);
    EXPECT_SLOT(IVolume, GetExclusionList, 32);
    EXPECT_SLOT(IVolume, Reserved33, 33);
    EXPECT_SLOT(IVolume, GetSkipFragments, 34);
    EXPECT_SLOT(IVolume, SetSkipFragments, 35);
    EXPECT_SLOT(IVolume, GetFragmentSize, 36);
    EXPECT_SLOT(IVolume, SetFragmentSize, 37);
    EXPECT_SLOT(IVolume, Reserved38, 38);
    EXPECT_SLOT(IVolume, GetInDefrag, 39);
    EXPECT_SLOT(IVolume, GetSuspendedDefrag, 40);
    EXPECT_SLOT(IVolume, GetTerminatedDefrag, 41);
    EXPECT_SLOT(IVolume, GetDefragComplete, 42);
    EXPECT_SLOT(IVolume, GetInAnalyze, 43);
    EXPECT_SLOT(IVolume, GetSuspendedAnalyze, 44);
    EXPECT_SLOT(IVolume, GetTerminatedAnalyze, 45);
    EXPECT_SLOT(IVolume, GetAnalyzeComplete, 46);
    EXPECT_SLOT(IVolume, OpenVolume, 47);
    EXPECT_SLOT(IVolume, UpdateVolumeInfo, 48);
    EXPECT_SLOT(IVolume, Reserved49, 49);
    EXPECT_SLOT(IVolume, StartDefrag, 50);
    EXPECT_SLOT(IVolume, StopDefrag, 51);
    EXPECT_SLOT(IVolume, ResumeDefrag, 52);
    EXPECT_SLOT(IVolume, PauseDefrag, 53);
    EXPECT_SLOT(IVolume, StartAnalyze, 54);
    EXPECT_SLOT(IVolume, StopAnalyze, 55);
    EXPECT_SLOT(IVolume, ResumeAnalyze, 56);
    EXPECT_SLOT(IVolume, PauseAnalyze, 57);
    EXPECT_SLOT(IVolume, isGUI, 58);
    EXPECT_SLOT(IVolume, GetThreadHandle, 59);
    EXPECT_SLOT(IVolume, ForceTerminate, 60);
    EXPECT_SLOT(IVolume, GenerateHtmlReport, 61);
    EXPECT_SLOT(IVolume, Reserved62, 62);
    EXPECT_SLOT(IVolume, Reserved63, 63);
}

TEST(EngineInterfaces, CallbackAndListMethodsSitInTheirSlots)
{
    EXPECT_SLOT(ICallback, UpdateProgressInformation, 1);
    EXPECT_SLOT(ICallback, SetClusters, 2);
    EXPECT_SLOT(IExclusionList, GetCount, 1);
    EXPECT_SLOT(IExclusionList, GetItem, 2);
    EXPECT_SLOT(IExclusionList, Clear, 3);
    EXPECT_SLOT(IExclusionList, Add, 4);
}

}  // namespace
