// The bridge's pieces without the DLL: exclusion multi-strings, the debug
// log's line, switch and file, and the callback object.

#include "TidewellLink/debug_log.h"
#include "TidewellLink/exclusion_text.h"
#include "TidewellLink/wrapper_callback.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

std::wstring Units(const wchar_t* text, size_t count) { return std::wstring(text, count); }

TEST(ExclusionText, BuildSkipsEmptyEntriesEndsInThreeNulsAndNeverShrinks)
{
    std::vector<wchar_t> buffer(4, L'z');
    EXPECT_EQ(BuildExclusionText({}, buffer), nullptr);
    EXPECT_EQ(BuildExclusionText({L"", L""}, buffer), nullptr);
    EXPECT_EQ(buffer, std::vector<wchar_t>(4, L'z'));  // untouched

    const wchar_t* text = BuildExclusionText({L"C:\\Temp", L"", L"D:\\x"}, buffer);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(buffer.size(), 16u);  // total 13 + 3
    EXPECT_EQ(Units(text, 15), std::wstring(L"C:\\Temp\0D:\\x\0\0\0", 15));
    text = BuildExclusionText({L"a"}, buffer);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(buffer.size(), 16u);
    EXPECT_EQ(Units(text, 4), std::wstring(L"a\0\0\0", 4));

    // total + 3 equal to the length: reused as it is.
    std::vector<wchar_t> exact(5, L'z');
    const wchar_t* data = exact.data();
    EXPECT_EQ(BuildExclusionText({L"a"}, exact), data);
    EXPECT_EQ(exact.size(), 5u);
}

TEST(ExclusionText, ParseStopsAtTheFirstEmptyEntry)
{
    typedef std::vector<std::wstring> List;
    EXPECT_EQ(ParseExclusionText(L"a\0b\0\0"), (List{L"a", L"b"}));
    EXPECT_TRUE(ParseExclusionText(L"\0a\0\0").empty());
    EXPECT_EQ(ParseExclusionText(L"a\0\0b\0\0"), (List{L"a"}));
    EXPECT_EQ(ParseExclusionText(L"x\0x\0\0"), (List{L"x", L"x"}));
    EXPECT_TRUE(ParseExclusionText(nullptr).empty());
}

TEST(DebugLog, LineSwitchAndDirectory)
{
    SYSTEMTIME time = {};
    time.wHour = 14;
    time.wMinute = 3;
    time.wSecond = 27;
    time.wMilliseconds = 45;
    EXPECT_EQ(FormatDebugLogLine(time, L":", L"twsaverx.exe", L"TVolumeHandle.Create"),
              L"14:03:27:045: (twsaverx.exe) TVolumeHandle.Create");
    time.wHour = 0;
    time.wMilliseconds = 999;
    // Another separator; the message is text, never a format.
    EXPECT_EQ(FormatDebugLogLine(time, L".", L"a.scr", L"%s%n%d"), L"00.03.27.999: (a.scr) %s%n%d");

    for (const wchar_t* on : {L"-debug", L"-DEBUG", L"-DeBuG"}) EXPECT_TRUE(IsDebugSwitch(on));
    for (const wchar_t* off : {L"debug", L"-debug2", L""}) EXPECT_FALSE(IsDebugSwitch(off));
    EXPECT_FALSE(IsDebugSwitch(nullptr));

    EXPECT_EQ(DirectoryWithDelimiter(L"C:\\Program Files\\x\\twsaver.scr"), L"C:\\Program Files\\x\\");
    EXPECT_EQ(DirectoryWithDelimiter(L"a.exe"), L"");
}

TEST(DebugLog, OpenIsRetriedWithPausesFor100Milliseconds)
{
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

// A writer holding "debug.log" (beside this test program) makes a line wait:
// released in time the line arrives, else it is lost.
TEST(DebugLog, HeldFileIsWaitedForThenTheLineIsLost)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = DirectoryWithDelimiter(exe) + L"debug.log";
    DeleteFileW(path.c_str());
    HANDLE held = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    AppendDebugLogLine(L"lost");
    std::thread writer([&] { AppendDebugLogLine(L"kept"); });
    Sleep(30);
    CloseHandle(held);
    writer.join();

    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    wchar_t text[16] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - sizeof(wchar_t), &read, nullptr);
    CloseHandle(file);
    DeleteFileW(path.c_str());
    EXPECT_EQ(std::wstring(text, read / sizeof(wchar_t)), L"kept\r\n");
}

struct Seen {
    int64_t first = 0, last = 0;
    int32_t state = -1;
    int progress = 0;
} g_seen;

void __stdcall RecordClusters(int64_t first, int64_t last, int32_t state)
{
    g_seen.first = first;
    g_seen.last = last;
    g_seen.state = state;
}
void RecordProgress() { ++g_seen.progress; }

TEST(WrapperCallback, ForwardsToTheHostWithTheStateMovedLast)
{
    TWrapperCallback* callback = TWrapperCallback::Create(RecordProgress, RecordClusters);
    EXPECT_EQ(callback->AddRef(), 1u);  // a new object starts at 0
    void* asked = nullptr;
    EXPECT_EQ(callback->QueryInterface(kIID_ICallback, &asked), S_OK);
    EXPECT_EQ(asked, static_cast<ICallback*>(callback));
    EXPECT_EQ(callback->QueryInterface(kIID_IVolume, &asked), E_NOINTERFACE);
    EXPECT_EQ(asked, nullptr);
    EXPECT_EQ(callback->Release(), 1u);

    EXPECT_EQ(callback->SetClusters(3, 100, 199), S_OK);
    EXPECT_EQ(g_seen.first, 100);
    EXPECT_EQ(g_seen.last, 199);
    EXPECT_EQ(g_seen.state, 3);
    callback->UpdateProgressInformation(42);
    EXPECT_EQ(g_seen.progress, 1);
    EXPECT_EQ(callback->Release(), 0u);

    // Null host functions: accepted and dropped.
    TWrapperCallback* silent = TWrapperCallback::Create(nullptr, nullptr);
    silent->AddRef();
    EXPECT_EQ(silent->UpdateProgressInformation(0), S_OK);
    EXPECT_EQ(silent->SetClusters(1, 2, 3), S_OK);
    silent->Release();
}

}  // namespace
