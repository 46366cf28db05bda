// The bridge's exports over the simulated engine: handle table, defaults,
// values and arguments passed through, failures turned into defaults.

#include "tests/TidewellLink/bridge_library.h"
#include "tests/support/child_process.h"

#include <thread>

namespace {

TEST_F(BridgeTest, HandsOutTheLowestFreeHandleUpToTenAndStaysLoaded) {
  for (int32_t expected = 1; expected <= 10; ++expected) EXPECT_EQ(Open(), expected);
  EXPECT_EQ(Open(), 0);
  bridge.CloseVolumeHandle(2);
  bridge.CloseVolumeHandle(2);  // closing twice changes nothing
  EXPECT_EQ(Open(), 2);
  for (int32_t handle = 1; handle <= 10; ++handle) bridge.CloseVolumeHandle(handle);
  EXPECT_EQ(Open(), 1);
  FreeLibrary(bridge.module);  // the engine holds its callback: the library stays
  EXPECT_NE(GetModuleHandleW(L"TidewellLink.dll"), nullptr);
}

TEST_F(BridgeTest, InvalidHandlesAndHandlesWithoutVolumeAnswerEveryDefault) {
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

// Which method each export reaches, with which arguments, is the forwarding table's; here
// the handle's drive name and flag, and the texts the bridge keeps for the caller.
TEST_F(BridgeTest, DriveNameAndFlagReachTheEngineAndTextsStayTheCallers) {
  const wchar_t* drive_argument = L"D:\\";
  ASSERT_EQ(bridge.GetVolumeHandle(drive_argument, nullptr, nullptr, 0x201), 1);
  EXPECT_EQ(sim.Query(L"last_drive_pointer"), reinterpret_cast<intptr_t>(drive_argument));
  EXPECT_EQ(sim.Query(L"last_engine_flag"), 1);

  // A text stays valid until this thread asks the same export again.
  const wchar_t* drive = bridge.GetDriveName(1);
  EXPECT_STREQ(drive, L"D:\\");
  EXPECT_STREQ(bridge.GetVolumeLabel(1), L"Simulated disk");
  std::thread([&] { EXPECT_STREQ(bridge.GetDriveName(1), L"D:\\"); }).join();
  EXPECT_STREQ(drive, L"D:\\");

  // An empty or missing engine text is "", never NULL.
  for (const wchar_t* mode : {L"TW_SIM_TEXT=empty", L"TW_SIM_TEXT=null"}) {
    ASSERT_TRUE(sim.Set(mode));
    EXPECT_STREQ(bridge.GetDisplayName(1), L"") << mode;
  }
}

// The ways an engine method can end in error. An i686 C++ exception cannot leave the
// module that throws it (each module carries its own unwinder), so there the engine's
// errors are processor faults and structured exceptions only.
const wchar_t* const kEngineErrors[] = {L"TW_SIM_FAULT=", L"TW_SIM_RAISE=",
#if !defined(__i386__)
                                        L"TW_SIM_THROW="
#endif
};

TEST_F(BridgeTest, EngineFailuresBecomeDefaults) {
  for (const wchar_t* kind : kEngineErrors) {
    ASSERT_TRUE(sim.Set(kind + std::wstring(L"GetVolumeIntf")));
    EXPECT_EQ(Open(), 0) << kind;  // no volume made: no handle, the entry stays free
    ASSERT_TRUE(sim.Set(kind));
  }
  int32_t handle = Open();
  ASSERT_EQ(handle, 1);
  ASSERT_TRUE(sim.Set(L"TW_SIM_FAIL=*"));
  ExpectEveryExportAnswersItsDefault(bridge, handle);
  ASSERT_TRUE(sim.Set(L"TW_SIM_FAIL="));
  for (const wchar_t* kind : kEngineErrors) {
    SCOPED_TRACE(testing::Message() << "every method set by " << kind);
    ASSERT_TRUE(sim.Set(kind + std::wstring(L"*")));
    ExpectEveryExportAnswersItsDefault(bridge, handle);
    ASSERT_TRUE(sim.Set(kind));
  }
  EXPECT_EQ(bridge.OpenVolume(handle), 1);  // the handle works on afterwards
}

TEST_F(BridgeTest, ExclusionListsCrossAsMultiStrings) {
  ASSERT_TRUE(sim.Set(L"TW_SIM_EXCLUSIONS=C:\\Temp||D:\\x"));
  int32_t handle = Open();
  auto list = [&](size_t units) {
    const wchar_t* text = bridge.GetExclusionList(handle);
    return text ? std::wstring(text, units) : L"NULL";
  };
  EXPECT_EQ(list(15), std::wstring(L"C:\\Temp\0D:\\x\0\0\0", 15));  // empty entries skipped
  const std::wstring a_b(L"a\0a\0\0\0", 6);
  EXPECT_EQ(bridge.SetExclusionList(handle, L"a\0a\0\0c\0"), 1);  // ends at the empty entry
  EXPECT_EQ(list(6), a_b);
  EXPECT_EQ(bridge.SetExclusionList(handle, nullptr), 0);  // no list: the engine's stays
  EXPECT_EQ(list(6), a_b);
  EXPECT_EQ(bridge.SetExclusionList(handle, L"\0a\0\0"), 1);
  EXPECT_EQ(list(0), L"NULL");

  // A failure part way keeps what was done: cleared, nothing added.
  ASSERT_TRUE(sim.Set(L"TW_SIM_FAIL=Add"));
  EXPECT_EQ(bridge.SetExclusionList(handle, L"x\0\0"), 0);
  ASSERT_TRUE(sim.Set(L"TW_SIM_FAIL="));
  ASSERT_TRUE(sim.Set(L"TW_SIM_FAULT=GetItem"));
  EXPECT_EQ(bridge.SetExclusionList(handle, L"y\0\0"), 1);
  EXPECT_EQ(list(0), L"NULL");
}

TEST(BridgeEngineLoad, MissingEngineIsRetriedAndEngineWithoutVolumeExportGivesDefaults) {
  // The bridge keeps the engine it loaded for the life of the process.
  if (!RunsAloneOrDelegates("BridgeEngineLoad.*")) return;
  BridgeLibrary bridge;
  ASSERT_TRUE(bridge.Load());
  SetCurrentDirectoryW(TestProgramDirectory().c_str());  // no Tidewell.dll here
  EXPECT_EQ(bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1), 0);
  EXPECT_EQ(bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1), 0);
  EXPECT_EQ(GetModuleHandleW(L"Tidewell.dll"), nullptr);
  // An engine without "GetVolumeIntf": a handle whose every function answers its default.
  SetCurrentDirectoryW((TestProgramDirectory() + L"no_volume_engine").c_str());
  ASSERT_EQ(bridge.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1), 1);
  ASSERT_NE(GetModuleHandleW(L"Tidewell.dll"), nullptr);
  ExpectEveryExportAnswersItsDefault(bridge, 1);
}

}  // namespace
