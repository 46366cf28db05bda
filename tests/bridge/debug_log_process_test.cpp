// The debug log, checked in child processes: the switch is decided once per
// process, so each case starts the probe program afresh.

#include "tests/bridge/bridge_library.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <vector>

namespace {

const wchar_t kDebugKey[] = L"Software\\Orbenlake\\DebugMode";
typedef std::vector<std::wstring> Lines;

std::wstring ProbeDirectory() { return TestProgramDirectory() + L"bridge_probe\\"; }
std::wstring LogPath() { return ProbeDirectory() + L"debug.log"; }

struct ProbeLog {
    bool exists = false;
    std::string bytes;
    Lines messages;  // the lines without time and program
    bool well_formed = true;
};

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

DWORD FinishProbe(HANDLE process)
{
    DWORD exit_code = 999;
    if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &exit_code);
    CloseHandle(process);
    return exit_code;
}

ProbeLog ReadLog()
{
    ProbeLog log;
    std::ifstream file(LogPath().c_str(), std::ios::binary);
    if (!file) return log;
    log.exists = true;
    log.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    std::wstring text(log.bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(log.bytes[2 * i]) |
                                       static_cast<unsigned char>(log.bytes[2 * i + 1]) << 8);
    std::wregex line_format(L"^\\d\\d(.)\\d\\d\\1\\d\\d\\1\\d\\d\\d: \\(bridge_probe\\.exe\\) (.*)$");
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L"\r\n", start);
        std::wsmatch match;
        std::wstring line = text.substr(start, end - start);
        log.well_formed = log.well_formed && end != std::wstring::npos &&
                          std::regex_match(line, match, line_format);
        if (!log.well_formed) break;
        log.messages.push_back(match[2].str());
        start = end + 2;
    }
    return log;
}

ProbeLog RunProbe(const std::wstring& arguments, const std::wstring& scenario, bool keep_log = false)
{
    if (!keep_log) DeleteFileW(LogPath().c_str());
    HANDLE process = StartProbe(arguments, scenario);
    EXPECT_NE(process, nullptr);
    if (process) {
        EXPECT_EQ(FinishProbe(process), 0u);
    }
    return ReadLog();
}

Lines Last(const ProbeLog& log, size_t count)
{
    size_t from = log.messages.size() > count ? log.messages.size() - count : 0;
    return Lines(log.messages.begin() + from, log.messages.end());
}

const Lines kOpenLines = {L"TVolumeHandle.Create", L"TWrapperCallback.Create",
                          L"GetVolume(DriveName, ...."};

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
    void SetText() { SetDebugValue(REG_SZ, L"1", 4); }
};

TEST_F(DebugLogProcessTest, SwitchedOnOnlyByRegistryDwordOneOrFirstArgument)
{
    // Off: no file at all, not even for the handle left open.
    EXPECT_FALSE(RunProbe(L"", L"leak").exists);
    EXPECT_FALSE(RunProbe(L"x -debug", L"leak").exists);  // second argument only
    SetDword(0);
    EXPECT_FALSE(RunProbe(L"", L"leak").exists);
    SetText();
    EXPECT_FALSE(RunProbe(L"", L"leak").exists);

    EXPECT_TRUE(RunProbe(L"-Debug", L"open_close").exists);
    SetDword(0);
    EXPECT_TRUE(RunProbe(L"-DEBUG", L"open_close").exists);
    SetDword(1);
    EXPECT_TRUE(RunProbe(L"", L"open_close").exists);
    EXPECT_TRUE(RunProbe(L"-nodebug", L"open_close").exists);
}

TEST_F(DebugLogProcessTest, LinesOfOpeningAndClosingAreByteExact)
{
    ProbeLog log = RunProbe(L"-debug", L"open_close");
    ASSERT_TRUE(log.exists);
    EXPECT_TRUE(log.well_formed);
    ASSERT_GE(log.bytes.size(), 2u);
    EXPECT_TRUE(log.bytes[0] >= '0' && log.bytes[0] <= '2' && log.bytes[1] == 0) << "no BOM";
    Lines expected = {L"GetVolumeHandle DriveName = C:\\", L"i = 1"};
    expected.insert(expected.end(), kOpenLines.begin(), kOpenLines.end());
    expected.insert(expected.end(),
                    {L"CloseVolumeHandle AVolumeHandle = 1", L"CloseVolumeHandle: volume found.",
                     L"TVolumeHandle.Destroy", L"CloseVolumeHandle: volume released."});
    EXPECT_EQ(log.messages, expected);  // no leak line: every handle was closed

    // An existing file is appended to.
    ProbeLog again = RunProbe(L"-debug", L"open_close", true);
    EXPECT_EQ(again.messages.size(), 2 * log.messages.size());
}

TEST_F(DebugLogProcessTest, MissingEngineInvalidCloseAndReuseOfAFreedEntry)
{
    Lines expected = {L"GetVolumeHandle DriveName = C:\\", L"i = 1"};
    expected.insert(expected.end(), kOpenLines.begin(), kOpenLines.end());
    expected.insert(expected.end(), {L"ERROR: TVolumeHandle.Create exception",
                                     L"TVolumeHandle.Destroy", L"ERROR: GetVolumeHandle exception"});
    EXPECT_EQ(RunProbe(L"-debug", L"missing_engine").messages, expected);

    EXPECT_EQ(RunProbe(L"-debug", L"bad_close").messages,
              Lines{L"CloseVolumeHandle AVolumeHandle = -1"});

    // Handles left open are named at the end, in order.
    expected = {L"GetVolumeHandle DriveName = D:\\", L"i = 1", L"i = 2"};
    expected.insert(expected.end(), kOpenLines.begin(), kOpenLines.end());
    expected.insert(expected.end(), {L"Memory leak: volume handle 1 (C:\\) was not closed.",
                                     L"Memory leak: volume handle 2 (D:\\) was not closed.",
                                     L"Memory leak: volume handle 3 (C:\\) was not closed."});
    EXPECT_EQ(Last(RunProbe(L"-debug", L"reuse"), 9), expected);
}

TEST_F(DebugLogProcessTest, SettersOnAHandleWithoutVolumeWriteTheirLines)
{
    SetEnvironmentVariableW(L"TW_SIM_NO_VOLUME", L"1");
    ProbeLog log = RunProbe(L"-debug", L"setters_without_volume");
    SetEnvironmentVariableW(L"TW_SIM_NO_VOLUME", nullptr);
    EXPECT_EQ(Last(log, 7),
              (Lines{L"ERROR: SetReportFile exeption", L"ERROR: SetDefragPriority exeption",
                     L"ERROR: SetFileMask exeption", L"ERROR: SetExclusionList exeption",
                     L"ERROR: SetSkipFragments exeption", L"ERROR: SetFragmentSize exeption",
                     L"Memory leak: volume handle 1 (C:\\) was not closed."}));
    EXPECT_EQ(log.messages.size(), 5u + 7u);  // the invalid handle wrote nothing
}

TEST_F(DebugLogProcessTest, FailingHostCallbacksAreLoggedAndSurvived)
{
    // The progress function faults, the cluster function throws, each time.
    ProbeLog log = RunProbe(L"-debug", L"callback_fault");
    for (const wchar_t* method : {L"UpdateProgressInformation", L"SetClusters"}) {
        std::wstring line = std::wstring(L"ERROR: TWrapperCallback.") + method +
                            L" exception while calling external code";
        EXPECT_GT(std::count(log.messages.begin(), log.messages.end(), line), 10) << method;
    }
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.back(), L"CloseVolumeHandle: volume released.");
}

TEST_F(DebugLogProcessTest, HandleLeftOpenIsReportedAtTheEndOfTheProcess)
{
    ProbeLog log = RunProbe(L"-debug", L"leak");
    EXPECT_TRUE(log.well_formed);
    // The last line: nothing releases the open handle afterwards.
    EXPECT_EQ(Last(log, 2), (Lines{L"CloseVolumeHandle: volume released.",
                                   L"Memory leak: volume handle 2 (D:\\) was not closed."}));
}

TEST_F(DebugLogProcessTest, TwoProcessesWritingAtOnceLoseNoLine)
{
    HANDLE first = StartProbe(L"-debug", L"many_lines");
    HANDLE second = StartProbe(L"-debug", L"many_lines");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(FinishProbe(first), 0u);
    EXPECT_EQ(FinishProbe(second), 0u);
    ProbeLog log = ReadLog();
    EXPECT_TRUE(log.well_formed);
    EXPECT_EQ(log.messages.size(), 400u);
}

}  // namespace
