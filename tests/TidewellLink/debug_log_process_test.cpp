// The debug log, checked in child processes: the switch is decided once per
// process, so each case starts the probe program afresh.

#include "tests/TidewellLink/bridge_library.h"
#include "tests/support/child_process.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <regex>
#include <vector>

namespace {

const wchar_t kDebugKey[] = L"Software\\Orbenlake\\DebugMode";
typedef std::vector<std::wstring> Lines;

std::wstring LogPath() { return TestProgramDirectory() + L"bridge_probe\\debug.log"; }

std::unique_ptr<ChildProcess> StartProbe(const wchar_t* scenario,
                                         const wchar_t* arguments = L"-debug") {
  SetEnvironmentVariableW(L"TW_PROBE_SCENARIO", scenario);
  SetEnvironmentVariableW(L"TW_SIM_SPEED", L"fast");
  return std::make_unique<ChildProcess>(L"bridge_probe\\bridge_probe.exe", arguments);
}

// The messages of the log's UTF-16 lines, each checked for time, program and CR LF.
Lines ReadLog() {
  const std::string bytes = ReadFileBytes(LogPath());
  std::wstring text(bytes.size() / 2, L'\0');
  std::memcpy(&text[0], bytes.data(), text.size() * 2);
  std::wregex line_format(
      L"\\d\\d(.)\\d\\d\\1\\d\\d\\1\\d\\d\\d: \\(bridge_probe\\.exe\\) (.*)\r\n");
  Lines messages;
  size_t covered = 0;
  for (auto next = std::wsregex_iterator(text.begin(), text.end(), line_format);
       next != std::wsregex_iterator(); ++next) {
    EXPECT_EQ(next->position(), static_cast<ptrdiff_t>(covered)) << "malformed line";
    covered = next->position() + next->length();
    messages.push_back((*next)[2].str());
  }
  EXPECT_EQ(covered, text.size()) << "malformed end of the log";
  return messages;
}

// Runs one probe to its end, into a new log, and reads the log.
Lines RunProbe(const wchar_t* scenario, const wchar_t* arguments = L"-debug") {
  DeleteFileW(LogPath().c_str());
  EXPECT_EQ(StartProbe(scenario, arguments)->WaitForExit(30000), 0u) << "probe " << scenario;
  return ReadLog();
}

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class DebugLogProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey);
    DeleteFileW(LogPath().c_str());
  }
};

TEST_F(DebugLogProcessTest, SwitchedOnOnlyByRegistryDwordOneOrFirstArgument) {
  // Off: no file at all, not even for the handle left open.
  struct Case {
    const wchar_t* arguments;
    int registry;  // -1 none, 0/1 a DWORD, 2 the text "1"
    bool on;
  } cases[] = {{L"", -1, false},     {L"x -debug", -1, false}, {L"", 0, false},
               {L"", 2, false},      {L"-Debug", -1, true},    {L"-DEBUG", 0, true},
               {L"-debug", 2, true}, {L"", 1, true},           {L"-nodebug", 1, true}};
  for (const Case& c : cases) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey);
    DWORD dword = c.registry;
    const void* data = c.registry == 2 ? static_cast<const void*>(L"1") : &dword;
    if (c.registry >= 0) {
      ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kDebugKey, L"DebugMode",
                                c.registry == 2 ? REG_SZ : REG_DWORD, data, 4),
                ERROR_SUCCESS);
    }
    RunProbe(L"leak", c.arguments);
    EXPECT_EQ(FileExists(LogPath()), c.on)
        << "arguments \"" << c.arguments << "\", registry " << c.registry;
  }
}

TEST_F(DebugLogProcessTest, EachCaseWritesItsLines) {
  const Lines open = {L"TVolumeHandle.Create", L"TWrapperCallback.Create",
                      L"GetVolume(DriveName, ...."};
  const Lines close = {L"CloseVolumeHandle AVolumeHandle = 1", L"CloseVolumeHandle: volume found.",
                       L"TVolumeHandle.Destroy", L"CloseVolumeHandle: volume released."};
  const Lines open_c = Join({{L"GetVolumeHandle DriveName = C:\\", L"i = 1"}, open});
  const wchar_t* leaked_c1 = L"Memory leak: volume handle 1 (C:\\) was not closed.";
  // A full table: every entry looked at, one line each, and no handle.
  Lines full_table = {L"GetVolumeHandle DriveName = E:\\"};
  for (int i = 1; i <= 10; ++i) full_table.push_back(L"i = " + std::to_wstring(i));
  for (int i = 1; i <= 10; ++i) {
    full_table.push_back(L"Memory leak: volume handle " + std::to_wstring(i) +
                         L" (C:\\) was not closed.");
  }
  const std::wstring guard_line = L" exception while calling external code";
  struct Case {
    const wchar_t* scenario;
    Lines last;        // the log's last lines
    size_t total;      // its line count, 0: not checked
    Lines repeated{};  // lines each found more than ten times
  } cases[] = {
      {L"open_close", Join({open_c, close}), 9},  // every handle closed: no leak line
      {L"missing_engine",
       Join({open_c,
             {L"ERROR: TVolumeHandle.Create exception", L"TVolumeHandle.Destroy",
              L"ERROR: GetVolumeHandle exception"}}),
       8},
      {L"bad_close", {L"CloseVolumeHandle AVolumeHandle = -1"}, 1},
      {L"full_table", full_table, 0},
      // A freed entry is taken again; handles left open are named at the end, in order.
      {L"reuse",
       Join({{L"GetVolumeHandle DriveName = D:\\", L"i = 1", L"i = 2"},
             open,
             {leaked_c1, L"Memory leak: volume handle 2 (D:\\) was not closed.",
              L"Memory leak: volume handle 3 (C:\\) was not closed."}}),
       0},
      // The invalid handle's setter writes nothing.
      {L"setters_without_volume",
       {L"ERROR: SetReportFile exeption", L"ERROR: SetDefragPriority exeption",
        L"ERROR: SetFileMask exeption", L"ERROR: SetExclusionList exeption",
        L"ERROR: SetSkipFragments exeption", L"ERROR: SetFragmentSize exeption", leaked_c1},
       5 + 7},
      // A failed release is reported; the entry is free again.
      {L"release_fault",
       Join({{L"CloseVolumeHandle: volume found.", L"TVolumeHandle.Destroy",
              L"CloseVolumeHandle: exception while releasing TVolumeHandle."},
             open_c,
             {leaked_c1}}),
       15},
      // Closed handle 1 is not named; nothing releases handle 2 after its line.
      {L"leak", Join({close, {L"Memory leak: volume handle 2 (D:\\) was not closed."}}), 0},
      // The progress function faults, the cluster function throws, each time: survived.
      {L"callback_fault",
       {L"CloseVolumeHandle: volume released."},
       0,
       {L"ERROR: TWrapperCallback.UpdateProgressInformation" + guard_line,
        L"ERROR: TWrapperCallback.SetClusters" + guard_line}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scenario " << c.scenario);
    Lines log = RunProbe(c.scenario);
    if (c.total) {
      EXPECT_EQ(log.size(), c.total);
    }
    ASSERT_GE(log.size(), c.last.size());
    EXPECT_EQ(Lines(log.end() - c.last.size(), log.end()), c.last);
    for (const std::wstring& line : c.repeated) {
      EXPECT_GT(std::count(log.begin(), log.end(), line), 10) << line;
    }
  }
}

// A new file has no byte order mark; later processes, two at once, append to it.
TEST_F(DebugLogProcessTest, NewFileHasNoByteOrderMarkAndTwoProcessesAppendingLoseNoLine) {
  Lines first = RunProbe(L"bad_close");
  const std::string bytes = ReadFileBytes(LogPath());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_TRUE(bytes[0] >= '0' && bytes[0] <= '2' && bytes[1] == 0) << "no BOM";
  auto one = StartProbe(L"many_lines"), other = StartProbe(L"many_lines");
  EXPECT_EQ(one->WaitForExit(30000), 0u);
  EXPECT_EQ(other->WaitForExit(30000), 0u);
  Lines log = ReadLog();
  EXPECT_EQ(log.size(), 401u);
  EXPECT_EQ(log.front(), first.at(0));
}

}  // namespace
