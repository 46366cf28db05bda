// The debug log, checked in child processes: the switch is decided once per
// process, so each case starts the probe program afresh.

#include "tests/bridge/bridge_library.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

const wchar_t kDebugKey[] = L"Software\\Orbenlake\\DebugMode";

std::wstring ProbeDirectory() { return ExecutableDirectory() + L"bridge_probe\\"; }
std::wstring LogPath() { return ProbeDirectory() + L"debug.log"; }

struct ProbeLog {
    bool exists = false;
    std::string bytes;
    std::vector<std::wstring> messages;  // the lines without time and program
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
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            log.well_formed = false;  // every line ends with CR LF
            break;
        }
        std::wstring line = text.substr(start, end - start);
        std::wsmatch match;
        if (std::regex_match(line, match, line_format))
            log.messages.push_back(match[2].str());
        else
            log.well_formed = false;
        start = end + 2;
    }
    return log;
}

ProbeLog RunProbe(const std::wstring& arguments, const std::wstring& scenario, bool keep_log = false)
{
    if (!keep_log) DeleteFileW(LogPath().c_str());
    HANDLE process = StartProbe(arguments, scenario);
    EXPECT_NE(process, nullptr);
    if (process) EXPECT_EQ(FinishProbe(process), 0u);
    return ReadLog();
}

void SetDebugValue(DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDebugKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"DebugMode", 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

class DebugLogProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey);
        DeleteFileW(LogPath().c_str());
    }
    void TearDown() override
    {
        RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey);
        DeleteFileW(LogPath().c_str());
    }
    void SetDword(DWORD value) { SetDebugValue(REG_DWORD, &value, sizeof(value)); }
};

TEST_F(DebugLogProcessTest, OffWithoutRegistryValueOrArgument)
{
    EXPECT_FALSE(RunProbe(L"", L"open_close").exists);
    EXPECT_FALSE(RunProbe(L"x -debug", L"open_close").exists);  // second argument only
    SetDword(0);
    EXPECT_FALSE(RunProbe(L"", L"open_close").exists);
    SetDebugValue(REG_SZ, L"1", 4);
    EXPECT_FALSE(RunProbe(L"", L"open_close").exists);
}

TEST_F(DebugLogProcessTest, SwitchedOnByRegistryDwordOrFirstArgument)
{
    SetDword(1);
    EXPECT_TRUE(RunProbe(L"", L"open_close").exists);
    EXPECT_TRUE(RunProbe(L"-nodebug", L"open_close").exists);
    SetDword(0);
    EXPECT_TRUE(RunProbe(L"-DEBUG", L"open_close").exists);
    SetDebugValue(REG_SZ, L"1", 4);
    EXPECT_TRUE(RunProbe(L"-Debug", L"open_close").exists);
}

TEST_F(DebugLogProcessTest, LinesOfOpeningAndClosingAreByteExact)
{
    ProbeLog log = RunProbe(L"-debug", L"open_close");
    ASSERT_TRUE(log.exists);
    EXPECT_TRUE(log.well_formed);
    ASSERT_GE(log.bytes.size(), 2u);
    EXPECT_TRUE(log.bytes[0] >= '0' && log.bytes[0] <= '2' && log.bytes[1] == 0) << "no BOM";
    EXPECT_EQ(log.messages,
              (std::vector<std::wstring>{
                  L"GetVolumeHandle DriveName = C:\\", L"i = 1", L"TVolumeHandle.Create",
                  L"TWrapperCallback.Create", L"GetVolume(DriveName, ....",
                  L"CloseVolumeHandle AVolumeHandle = 1", L"CloseVolumeHandle: volume found.",
                  L"TVolumeHandle.Destroy", L"CloseVolumeHandle: volume released."}));

    // An existing file is appended to.
    ProbeLog again = RunProbe(L"-debug", L"open_close", true);
    EXPECT_EQ(again.messages.size(), 2 * log.messages.size());
}

TEST_F(DebugLogProcessTest, MissingEngineWritesItsSixLines)
{
    ProbeLog log = RunProbe(L"-debug", L"missing_engine");
    EXPECT_EQ(log.messages,
              (std::vector<std::wstring>{
                  L"GetVolumeHandle DriveName = C:\\", L"i = 1", L"TVolumeHandle.Create",
                  L"TWrapperCallback.Create", L"GetVolume(DriveName, ....",
                  L"ERROR: TVolumeHandle.Create exception", L"TVolumeHandle.Destroy",
                  L"ERROR: GetVolumeHandle exception"}));
}

TEST_F(DebugLogProcessTest, InvalidCloseAndReuseOfAFreedEntry)
{
    EXPECT_EQ(RunProbe(L"-debug", L"bad_close").messages,
              (std::vector<std::wstring>{L"CloseVolumeHandle AVolumeHandle = -1"}));

    ProbeLog log = RunProbe(L"-debug", L"reuse");
    ASSERT_GE(log.messages.size(), 6u);
    std::vector<std::wstring> last(log.messages.end() - 6, log.messages.end());
    EXPECT_EQ(last, (std::vector<std::wstring>{L"GetVolumeHandle DriveName = D:\\", L"i = 1",
                                               L"i = 2", L"TVolumeHandle.Create",
                                               L"TWrapperCallback.Create",
                                               L"GetVolume(DriveName, ...."}));
}

TEST_F(DebugLogProcessTest, SettersOnAHandleWithoutVolumeWriteTheirLines)
{
    SetEnvironmentVariableW(L"TW_SIM_NO_VOLUME", L"1");
    ProbeLog log = RunProbe(L"-debug", L"setters_without_volume");
    SetEnvironmentVariableW(L"TW_SIM_NO_VOLUME", nullptr);
    ASSERT_GE(log.messages.size(), 6u);
    std::vector<std::wstring> last(log.messages.end() - 6, log.messages.end());
    EXPECT_EQ(last, (std::vector<std::wstring>{
                        L"ERROR: SetReportFile exeption", L"ERROR: SetDefragPriority exeption",
                        L"ERROR: SetFileMask exeption", L"ERROR: SetExclusionList exeption",
                        L"ERROR: SetSkipFragments exeption", L"ERROR: SetFragmentSize exeption"}));
    EXPECT_EQ(log.messages.size(), 5u + 6u);  // the invalid handle wrote nothing
}

TEST_F(DebugLogProcessTest, FaultingHostCallbackIsLoggedAndSurvived)
{
    ProbeLog log = RunProbe(L"-debug", L"callback_fault");
    int faults = 0;
    for (const std::wstring& message : log.messages)
        if (message == L"ERROR: TWrapperCallback.UpdateProgressInformation exception while "
                       L"calling external code")
            ++faults;
    EXPECT_GT(faults, 1);
    EXPECT_EQ(log.messages.back(), L"CloseVolumeHandle: volume released.");
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
