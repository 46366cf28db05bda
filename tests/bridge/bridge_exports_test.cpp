// The bridge's exports over the simulated engine: handle table, defaults,
// values and arguments passed through, failures turned into defaults.

#include "tests/bridge/bridge_library.h"

#include <thread>

namespace {

TEST_F(BridgeTest, HandsOutTheLowestFreeHandleUpToTen)
{
    for (int32_t expected = 1; expected <= 10; ++expected) EXPECT_EQ(Open(), expected);
    EXPECT_EQ(Open(), 0);
    bridge.CloseVolumeHandle(2);
    bridge.CloseVolumeHandle(2);  // closing twice changes nothing
    EXPECT_EQ(Open(), 2);
    for (int32_t handle = 1; handle <= 10; ++handle) bridge.CloseVolumeHandle(handle);
    EXPECT_EQ(Open(), 1);
    bridge.CloseVolumeHandle(1);
}

TEST_F(BridgeTest, InvalidHandlesAndHandlesWithoutVolumeAnswerEveryDefault)
{
    int32_t open = Open();
    ASSERT_EQ(open, 1);
    for (int32_t handle : {0, 11, -1, 2, 0x7FFFFFFF, static_cast<int32_t>(0x80000001)}) {
        ExpectEveryExportAnswersItsDefault(bridge, handle);
        bridge.CloseVolumeHandle(handle);
    }
    EXPECT_EQ(bridge.GetTotalClusters(open), 2000000);  // the open one is untouched
    bridge.CloseVolumeHandle(open);
    ExpectEveryExportAnswersItsDefault(bridge, open);

    ASSERT_TRUE(sim.Set(L"TW_SIM_NO_VOLUME=1"));
    ASSERT_EQ(Open(), 1);
    ExpectEveryExportAnswersItsDefault(bridge, 1);
    EXPECT_EQ(Open(), 2);  // entry 1 stays occupied
}

TEST_F(BridgeTest, NumbersPassThroughAndPercentKeepsItsSign)
{
    ASSERT_TRUE(sim.Set(L"TW_SIM_CLUSTERS=123456789"));
    int32_t handle = Open();
    EXPECT_EQ(bridge.GetTotalClusters(handle), 123456789);
    EXPECT_EQ(bridge.GetDiskSize(handle), 123456789LL * 4096);
    ASSERT_TRUE(sim.Set(L"TW_SIM_VALUE=GetPercentDone:-1,GetFragmentedFiles:5000000000"));
    EXPECT_EQ(bridge.GetPercentDone(handle), -1LL);
    EXPECT_EQ(bridge.GetFragmentedFiles(handle), 5000000000LL);
    for (int64_t percent : {57LL, -2147483648LL}) {
        ASSERT_TRUE(sim.Set(L"TW_SIM_VALUE=GetPercentDone:" + std::to_wstring(percent)));
        EXPECT_EQ(bridge.GetPercentDone(handle), percent);
    }
}

TEST_F(BridgeTest, TextsAreTheLibrarysAndEmptyIsNotNull)
{
    int32_t handle = Open(L"D:\\");
    const wchar_t* drive = bridge.GetDriveName(handle);
    ASSERT_NE(drive, nullptr);
    EXPECT_STREQ(drive, L"D:\\");
    // Valid until this thread asks the same export again.
    EXPECT_STREQ(bridge.GetVolumeLabel(handle), L"Simulated disk");
    std::thread other([&] { EXPECT_STREQ(bridge.GetDriveName(handle), L"D:\\"); });
    other.join();
    EXPECT_STREQ(drive, L"D:\\");

    for (const wchar_t* mode : {L"TW_SIM_TEXT=empty", L"TW_SIM_TEXT=null"}) {
        ASSERT_TRUE(sim.Set(mode));
        const wchar_t* text = bridge.GetDisplayName(handle);
        ASSERT_NE(text, nullptr) << mode;
        EXPECT_STREQ(text, L"");
    }
    ASSERT_TRUE(sim.Set(L"TW_SIM_FAIL=GetCurrentFile"));
    EXPECT_EQ(bridge.GetCurrentFile(handle), nullptr);
}

TEST_F(BridgeTest, ArgumentsReachTheEngineAsSpecified)
{
    const wchar_t* drive = L"E:\\";
    ASSERT_EQ(bridge.GetVolumeHandle(drive, nullptr, nullptr, 0x201), 1);
    EXPECT_EQ(sim.Query(L"last_drive_pointer"), reinterpret_cast<intptr_t>(drive));
    EXPECT_EQ(sim.Query(L"last_engine_flag"), 1);

    // NULL texts reach the engine (which takes no NULL) as empty texts.
    EXPECT_EQ(bridge.StartAnalyze(1, nullptr, 0x101), 1);
    EXPECT_EQ(sim.Query(L"last_start_flag"), 1);
    EXPECT_EQ(bridge.StartDefrag(1, 2, 0x300), 1);
    EXPECT_EQ(sim.Query(L"last_defrag_mode"), 2);
    EXPECT_EQ(sim.Query(L"last_start_flag"), 0);
    EXPECT_EQ(bridge.StopDefrag(1), 1);

    EXPECT_EQ(bridge.SetSkipFragments(1, 0x101), 1);
    EXPECT_EQ(sim.Query(L"last_skip_fragments"), 1);
    EXPECT_EQ(bridge.SetFragmentSize(1, 1LL << 40), 1);
    EXPECT_EQ(bridge.GetFragmentSize(1), 1LL << 40);
    EXPECT_EQ(bridge.SetDefragPriority(1, 7), 1);
    EXPECT_EQ(bridge.GetDefragPriority(1), 7);
    EXPECT_EQ(bridge.SetReportFile(1, L"r.htm"), 1);
    EXPECT_EQ(bridge.SetReportFile(1, nullptr), 1);
    EXPECT_STREQ(bridge.GetReportFile(1), L"");
    EXPECT_EQ(bridge.SetFileMask(1, L"*.iso"), 1);
    EXPECT_STREQ(bridge.GetFileMask(1), L"*.iso");
    EXPECT_EQ(bridge.OpenVolume(1), 1);
}

TEST_F(BridgeTest, EngineFailuresBecomeDefaults)
{
    int32_t handle = Open();
    for (const wchar_t* kind : {L"TW_SIM_FAIL=", L"TW_SIM_FAULT=", L"TW_SIM_RAISE=",
                                L"TW_SIM_THROW="}) {
        SCOPED_TRACE(testing::Message() << "every method set by " << kind);
        ASSERT_TRUE(sim.Set(kind + std::wstring(L"*")));
        ExpectEveryExportAnswersItsDefault(bridge, handle);
        ASSERT_TRUE(sim.Set(kind));
    }
    EXPECT_EQ(bridge.OpenVolume(handle), 1);  // the handle works on afterwards
}

TEST_F(BridgeTest, ExclusionListsCrossAsMultiStrings)
{
    ASSERT_TRUE(sim.Set(L"TW_SIM_EXCLUSIONS=C:\\Temp||D:\\x"));
    int32_t handle = Open();
    const wchar_t* text = bridge.GetExclusionList(handle);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::wstring(text, 15), std::wstring(L"C:\\Temp\0D:\\x\0\0\0", 15));

    const std::wstring a_b(L"a\0b\0\0\0", 6);
    EXPECT_EQ(bridge.SetExclusionList(handle, L"a\0b\0\0c\0"), 1);
    ASSERT_NE(text = bridge.GetExclusionList(handle), nullptr);
    EXPECT_EQ(std::wstring(text, 6), a_b);
    // No list at all leaves the engine's list alone.
    EXPECT_EQ(bridge.SetExclusionList(handle, nullptr), 0);
    ASSERT_NE(text = bridge.GetExclusionList(handle), nullptr);
    EXPECT_EQ(std::wstring(text, 6), a_b);

    EXPECT_EQ(bridge.SetExclusionList(handle, L"\0"), 1);
    EXPECT_EQ(bridge.GetExclusionList(handle), nullptr);

    // A failure part way keeps what was done: cleared, nothing added.
    ASSERT_TRUE(sim.Set(L"TW_SIM_FAIL=Add"));
    EXPECT_EQ(bridge.SetExclusionList(handle, L"x\0\0"), 0);
    ASSERT_TRUE(sim.Set(L"TW_SIM_FAIL="));
    ASSERT_TRUE(sim.Set(L"TW_SIM_FAULT=GetItem"));
    EXPECT_EQ(bridge.SetExclusionList(handle, L"y\0\0"), 1);
    EXPECT_EQ(bridge.GetExclusionList(handle), nullptr);
}

TEST_F(BridgeTest, EngineFailingToMakeAVolumeFailsTheHandle)
{
    for (const wchar_t* kind : {L"TW_SIM_FAULT=", L"TW_SIM_THROW="}) {
        ASSERT_TRUE(sim.Set(kind + std::wstring(L"GetVolumeIntf")));
        EXPECT_EQ(Open(), 0) << kind;
        ASSERT_TRUE(sim.Set(kind));
    }
    EXPECT_EQ(Open(), 1);  // the failed entries stayed free
}

TEST_F(BridgeTest, LibraryStaysLoadedOnceTheEngineHoldsItsCallback)
{
    ASSERT_EQ(Open(), 1);
    FreeLibrary(bridge.module);
    EXPECT_NE(GetModuleHandleW(L"TidewellLink.dll"), nullptr);
}

TEST(BridgeEngineLoad, MissingEngineIsRetriedUntilItLoads)
{
    BridgeLibrary bridge;
    ASSERT_TRUE(bridge.Load());
    SetCurrentDirectoryW(TestProgramDirectory().c_str());  // no Tidewell.dll here
    EXPECT_EQ(bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1), 0);
    EXPECT_EQ(bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1), 0);
    EXPECT_EQ(GetModuleHandleW(L"Tidewell.dll"), nullptr);
    SetCurrentDirectoryW(ProgramSubdirectory().c_str());
    EXPECT_EQ(bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1), 1);
}

TEST(BridgeEngineLoad, EngineWithoutVolumeExportGivesAHandleWithDefaults)
{
    BridgeLibrary bridge;
    ASSERT_TRUE(bridge.Load());
    SetCurrentDirectoryW((TestProgramDirectory() + L"no_volume_engine").c_str());
    ASSERT_EQ(bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1), 1);
    ASSERT_NE(GetModuleHandleW(L"Tidewell.dll"), nullptr);
    ExpectEveryExportAnswersItsDefault(bridge, 1);
}

}  // namespace
