// Binding the bridge by name: all 58 functions or none.
#include <gtest/gtest.h>

#include <string>

#include "core/scene/engine_functions.h"
#include "tests/support/test_support.h"

namespace {

int BoundSlots() {
  int bound = 0;
#define TW_COUNT_BOUND(name, ordinal, result, params, args, fallback) \
  bound += g_engine_functions.name != nullptr ? 1 : 0;
  TW_LINK_EXPORTS(TW_COUNT_BOUND)
#undef TW_COUNT_BOUND
  return bound;
}

}  // namespace

TEST(EngineBinding, CompleteLibraryBindsEverySlotUntilReleased) {
  const std::wstring path = TestProgramDirectory() + L"standin_link_complete.dll";
  ASSERT_EQ(1, BindEngineLibraryFrom(path.c_str()));
  EXPECT_NE(nullptr, g_engine_module);
  EXPECT_EQ(TW_LINK_EXPORT_COUNT, BoundSlots());
  EXPECT_EQ(0, g_engine_functions.GetVolumeHandle(L"C:\\", nullptr, nullptr, 1));

  UnbindEngineLibrary();
  EXPECT_EQ(nullptr, g_engine_module);
  EXPECT_EQ(0, BoundSlots());
  EXPECT_EQ(nullptr, GetModuleHandleW(path.c_str()));
}

TEST(EngineBinding, MissingLibraryOrNameBindsNothing) {
  // No library at all; the last name missing; a name early in the order missing.
  for (const wchar_t* file :
       {L"no_such_bridge.dll", L"standin_link_no_report.dll", L"standin_link_no_drive_name.dll"}) {
    const std::wstring path = TestProgramDirectory() + file;
    EXPECT_EQ(0, BindEngineLibraryFrom(path.c_str())) << path.size();
    EXPECT_EQ(nullptr, g_engine_module);
    EXPECT_EQ(0, BoundSlots());
    // A library that was loaded is released again.
    EXPECT_EQ(nullptr, GetModuleHandleW(path.c_str()));
  }
}

TEST(EngineBinding, PauseSlotsComeBeforeResumeSlots) {
  // Slot numbers of the table, counted from its first function pointer.
  auto slot = [](const void* field) {
    return (static_cast<const char*>(field) - reinterpret_cast<const char*>(&g_engine_functions)) /
           static_cast<std::ptrdiff_t>(sizeof(void*));
  };
  const EngineFunctionTable& t = g_engine_functions;
  const struct {
    const void* field;
    std::ptrdiff_t number;
  } slots[] = {
      {&t.GetVolumeHandle, 0},     {&t.StopAnalyze, 47},  {&t.PauseAnalyze, 48},
      {&t.ResumeAnalyze, 49},      {&t.StartDefrag, 50},  {&t.StopDefrag, 51},
      {&t.PauseDefrag, 52},        {&t.ResumeDefrag, 53}, {&t.isGUI, 54},
      {&t.GenerateHtmlReport, 57},
  };
  for (const auto& s : slots) EXPECT_EQ(slot(s.field), s.number);
  EXPECT_EQ(sizeof(EngineFunctionTable), TW_LINK_EXPORT_COUNT * sizeof(void*));
}
