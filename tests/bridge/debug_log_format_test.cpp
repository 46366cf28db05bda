#include "TidewellLink/debug_log.h"

#include <gtest/gtest.h>

namespace {

TEST(DebugLogFormat, LineIsTimeProgramAndMessage)
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
    EXPECT_EQ(FormatDebugLogLine(time, L".", L"a.scr", L""), L"00.03.27.999: (a.scr) ");
}

TEST(DebugLogFormat, MessageIsNeverAFormat)
{
    SYSTEMTIME time = {};
    EXPECT_EQ(FormatDebugLogLine(time, L":", L"x.exe", L"GetVolumeHandle DriveName = %s%n%d"),
              L"00:00:00:000: (x.exe) GetVolumeHandle DriveName = %s%n%d");
}

TEST(DebugLogSwitch, OnlyDebugInAnyCase)
{
    EXPECT_TRUE(IsDebugSwitch(L"-debug"));
    EXPECT_TRUE(IsDebugSwitch(L"-DEBUG"));
    EXPECT_TRUE(IsDebugSwitch(L"-DeBuG"));
    EXPECT_FALSE(IsDebugSwitch(L"debug"));
    EXPECT_FALSE(IsDebugSwitch(L"-debug2"));
    EXPECT_FALSE(IsDebugSwitch(L""));
    EXPECT_FALSE(IsDebugSwitch(nullptr));
}

TEST(DebugLogDirectory, KeepsTheTrailingDelimiter)
{
    EXPECT_EQ(DirectoryWithDelimiter(L"C:\\Program Files\\x\\twsaver.scr"),
              L"C:\\Program Files\\x\\");
    EXPECT_EQ(DirectoryWithDelimiter(L"C:\\a.exe"), L"C:\\");
    EXPECT_EQ(DirectoryWithDelimiter(L"a.exe"), L"");
}

}  // namespace
