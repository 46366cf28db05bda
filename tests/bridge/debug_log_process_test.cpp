// The debug log, checked in child processes: the switch is decided once per
// process, so each case starts the probe program afresh.

#include "tests/bridge/bridge_library.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <vector>

namespace {

const wchar_t kDebugKey[] = L"Software\\Orbenlake\\DebugMode";
typedef std::vector<std::wstring> Lines;

std::wstring ProbeDirectory() { return TestProgramDirectory() + L"bridge_probe\\"; }
std::wstring LogPath() { return ProbeDirectory() + L"debug.log"; }

HANDLE StartProbe(const std::wstring& arguments, const std::wstring& scenario)
{
    SetEnvironmentVariableW(L"TW_PROBE_SCENARIO", scenario.c_str());
    SetEnvironmentVariableW(L"TW_SIM_SPEED", L"fast");
    std::wstring exe = ProbeDirectory() + L"bridge_probe.exe";
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        ProbeDirectory().c_str(), &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

void FinishProbe(HANDLE process)
{
    ASSERT_NE(process, nullptr);
    DWORD exit_code = 999;
    if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &exit_code);
    CloseHandle(process);
    EXPECT_EQ(exit_code, 0u);
}

std::string ReadLogBytes()
{
    std::ifstream file(LogPath().c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The messages of the log's lines, each checked for time, program and CR LF.
Lines ReadLog()
{
    std::string bytes = ReadLogBytes();
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    std::wregex line_format(L"\\d\\d(.)\\d\\d\\1\\d\\d\\1\\d\\d\\d: \\(bridge_probe\\.exe\\) (.*)\r\n");
    Lines messages;
    auto next = std::wsregex_iterator(text.begin(), text.end(), line_format);
    size_t covered = 0;
    for (; next != std::wsregex_iterator(); ++next) {
        EXPECT_EQ(next->position(), static_cast<ptrdiff_t>(covered)) << "malformed line";
        covered = next->position() + next->length();
        messages.push_back((*next)[2].str());
    }
    EXPECT_EQ(covered, text.size()) << "malformed end of the log";
    return messages;
}

Lines RunProbe(const std::wstring& arguments, const std::wstring& scenario)
{
    DeleteFileW(LogPath().c_str());
    FinishProbe(StartProbe(arguments, scenario));
    return ReadLog();
}

bool LogExists() { return GetFileAttributesW(LogPath().c_str()) != INVALID_FILE_ATTRIBUTES; }

class DebugLogProcessTest : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey);
        DeleteFileW(LogPath().c_str());
    }
    void SetDebugValue(DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDebugKey, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"DebugMode", 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    void SetDword(DWORD value) { SetDebugValue(REG_DWORD, &value, sizeof(value)); }
};

TEST_F(DebugLogProcessTest, SwitchedOnOnlyByRegistryDwordOneOrFirstArgument)
{
    // Off: no file at all, not even for the handle left open.
    struct Case {
        const wchar_t* arguments;
        int registry;  // -1 none, 0/1 a DWORD, 2 the text "1"
        bool on;
    } cases[] = {{L"", -1, false},       {L"x -debug", -1, false}, {L"", 0, false},
                 {L"", 2, false},        {L"-Debug", -1, true},    {L"-DEBUG", 0, true},
                 {L"-debug", 2, true},   {L"", 1, true},           {L"-nodebug", 1, true}};
    for (const Case& c : cases) {
        RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey);
        if (c.registry == 2) SetDebugValue(REG_SZ, L"1", 4);
        if (c.registry == 0 || c.registry == 1) SetDword(c.registry);
        RunProbe(c.arguments, L"leak");
        EXPECT_EQ(LogExists(), c.on) << "arguments \"" << c.arguments << "\", registry " << c.registry;
    }
}

const Lines kOpenLines = {L"TVolumeHandle.Create", L"TWrapperCallback.Create",
                          L"GetVolume(DriveName, ...."};
const Lines kCloseLines = {L"CloseVolumeHandle AVolumeHandle = 1", L"CloseVolumeHandle: volume found.",
                           L"TVolumeHandle.Destroy", L"CloseVolumeHandle: volume released."};

Lines Join(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(DebugLogProcessTest, EachCaseWritesItsLines)
{
    struct Case {
        const wchar_t* scenario;
        Lines last;   // the log's last lines
        size_t total; // its line count, 0: not checked
    } cases[] = {
        // Every handle closed: no leak line.
        {L"open_close", Join({{L"GetVolumeHandle DriveName = C:\\", L"i = 1"}, kOpenLines, kCloseLines}), 9},
        {L"missing_engine",
         Join({{L"GetVolumeHandle DriveName = C:\\", L"i = 1"}, kOpenLines,
               {L"ERROR: TVolumeHandle.Create exception", L"TVolumeHandle.Destroy",
                L"ERROR: GetVolumeHandle exception"}}),
         8},
        {L"bad_close", {L"CloseVolumeHandle AVolumeHandle = -1"}, 1},
        // A freed entry is taken again; handles left open are named at the end, in order.
        {L"reuse",
         Join({{L"GetVolumeHandle DriveName = D:\\", L"i = 1", L"i = 2"}, kOpenLines,
               {L"Memory leak: volume handle 1 (C:\\) was not closed.",
                L"Memory leak: volume handle 2 (D:\\) was not closed.",
                L"Memory leak: volume handle 3 (C:\\) was not closed."}}),
         0},
        // The invalid handle's setter writes nothing.
        {L"setters_without_volume",
         {L"ERROR: SetReportFile exeption", L"ERROR: SetDefragPriority exeption",
          L"ERROR: SetFileMask exeption", L"ERROR: SetExclusionList exeption",
          L"ERROR: SetSkipFragments exeption", L"ERROR: SetFragmentSize exeption",
          L"Memory leak: volume handle 1 (C:\\) was not closed."},
         5 + 7},
        // A failed release is reported; the entry is free again.
        {L"release_fault",
         Join({{L"CloseVolumeHandle: volume found.", L"TVolumeHandle.Destroy",
                L"CloseVolumeHandle: exception while releasing TVolumeHandle.",
                L"GetVolumeHandle DriveName = C:\\", L"i = 1"},
               kOpenLines, {L"Memory leak: volume handle 1 (C:\\) was not closed."}}),
         15},
        // Closed handle 1 is not named; nothing releases handle 2 after its line.
        {L"leak", Join({kCloseLines, {L"Memory leak: volume handle 2 (D:\\) was not closed."}}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scenario " << c.scenario);
        Lines log = RunProbe(L"-debug", c.scenario);
        if (c.total) {
            EXPECT_EQ(log.size(), c.total);
        }
        ASSERT_GE(log.size(), c.last.size());
        EXPECT_EQ(Lines(log.end() - c.last.size(), log.end()), c.last);
    }
}

TEST_F(DebugLogProcessTest, NewFileHasNoByteOrderMarkAndIsThenAppendedTo)
{
    Lines first = RunProbe(L"-debug", L"open_close");
    std::string bytes = ReadLogBytes();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_TRUE(bytes[0] >= '0' && bytes[0] <= '2' && bytes[1] == 0) << "no BOM";
    FinishProbe(StartProbe(L"-debug", L"open_close"));
    EXPECT_EQ(ReadLog(), Join({first, first}));
}

TEST_F(DebugLogProcessTest, FailingHostCallbacksAreLoggedAndSurvived)
{
    // The progress function faults, the cluster function throws, each time.
    Lines log = RunProbe(L"-debug", L"callback_fault");
    for (const wchar_t* method : {L"UpdateProgressInformation", L"SetClusters"}) {
        std::wstring line = std::wstring(L"ERROR: TWrapperCallback.") + method +
                            L" exception while calling external code";
        EXPECT_GT(std::count(log.begin(), log.end(), line), 10) << method;
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), L"CloseVolumeHandle: volume released.");
}

TEST_F(DebugLogProcessTest, TwoProcessesWritingAtOnceLoseNoLine)
{
    HANDLE first = StartProbe(L"-debug", L"many_lines");
    HANDLE second = StartProbe(L"-debug", L"many_lines");
    FinishProbe(first);
    FinishProbe(second);
    EXPECT_EQ(ReadLog().size(), 400u);
}

}  // namespace
