// Number texts, path fitting, the countdown text and the settings' decimal reading.
#include <gtest/gtest.h>

#include <climits>

#include "core/text_format.h"

namespace {

// Every character one unit wide, as in the worked example of path fitting.
int UnitWidth(const std::wstring& text)
{
    return static_cast<int>(text.size());
}

std::wstring Fit(const std::wstring& path, int width)
{
    return FitPathToMeasure(path, width, UnitWidth);
}

}  // namespace

TEST(NumberFormat, DecimalCoversTheWholeRange)
{
    EXPECT_EQ(L"100", FormatDecimal(100));
    EXPECT_EQ(L"-5", FormatDecimal(-5));
    EXPECT_EQ(L"0", FormatDecimal(0));
    EXPECT_EQ(L"9223372036854775807", FormatDecimal(INT64_MAX));
    EXPECT_EQ(L"-9223372036854775808", FormatDecimal(INT64_MIN));
    EXPECT_EQ(L"-2147483648", FormatDecimal(INT32_MIN));
}

TEST(NumberFormat, GroupedPutsCommasBetweenThreeDigitGroups)
{
    EXPECT_EQ(L"0", FormatDecimalGrouped(0));
    EXPECT_EQ(L"999", FormatDecimalGrouped(999));
    EXPECT_EQ(L"1,000", FormatDecimalGrouped(1000));
    EXPECT_EQ(L"1,234,567", FormatDecimalGrouped(1234567));
    EXPECT_EQ(L"-100", FormatDecimalGrouped(-100));
    EXPECT_EQ(L"-123,456", FormatDecimalGrouped(-123456));
    EXPECT_EQ(L"9,223,372,036,854,775,807", FormatDecimalGrouped(INT64_MAX));
    const std::wstring smallest = FormatDecimalGrouped(INT64_MIN);
    EXPECT_EQ(L"-9,223,372,036,854,775,808", smallest);
    EXPECT_EQ(26u, smallest.size());
}

TEST(PathFitting, PathThatFitsComesBackUnchanged)
{
    EXPECT_EQ(L"C:\\a\\b.txt", Fit(L"C:\\a\\b.txt", 10));
    EXPECT_EQ(L"", Fit(L"", 0));
    EXPECT_EQ(L"nobackslash", Fit(L"nobackslash", 11));
}

TEST(PathFitting, WorkedExampleCutsDirectoriesThenGivesCharactersBack)
{
    const std::wstring fitted = Fit(L"C:\\Windows\\System32\\drivers\\etc\\hosts", 24);
    EXPECT_EQ(L"C:\\Windows\\Syst...\\hosts", fitted);
    EXPECT_EQ(24u, fitted.size());
}

TEST(PathFitting, TailWiderThanTheLineIsKeptWhole)
{
    EXPECT_EQ(L"...\\averyveryverylongname.txt", Fit(L"C:\\dir\\averyveryverylongname.txt", 10));
    // Room of exactly zero: the head goes too.
    EXPECT_EQ(L"...\\f", Fit(L"C:\\dir\\f", 5));
}

TEST(PathFitting, OnlyTheDrivePartFits)
{
    // Tail "...\file" is 8, room 6: "C:\" and three characters of "directory".
    EXPECT_EQ(L"C:\\dir...\\file", Fit(L"C:\\directory\\sub\\file", 14));
}

TEST(PathFitting, FirstCutIsEnough)
{
    // Room 5: "C:\a\" fits after cutting "bbbb", and not one character of it comes back.
    EXPECT_EQ(L"C:\\a\\...\\file", Fit(L"C:\\a\\bbbb\\file", 13));
}

TEST(PathFitting, SearchNeverWrapsPastTheFirstBackslash)
{
    // Head is cut down to "\" which still does not fit room 0 < 1: only the tail is left.
    const std::wstring path = L"\\dir\\file";
    auto wide_backslash = [](const std::wstring& text) {
        int width = 0;
        for (wchar_t c : text) width += c == L'\\' ? 5 : 1;
        return width;
    };
    // Tail "...\file" = 3 + 5 + 4 = 12, room 14 - 12 = 2: "\" (5) never fits.
    EXPECT_EQ(L"...\\file", FitPathToMeasure(path, 14, wide_backslash));
}

TEST(PathFitting, WidePathWithoutBackslashIsShownUnchanged)
{
    EXPECT_EQ(L"averylongfilename", Fit(L"averylongfilename", 5));
}

TEST(PathFitting, FailedMeasuringKeepsThePath)
{
    auto failing = [](const std::wstring&) { return 0; };
    EXPECT_EQ(L"C:\\Windows\\System32\\x.dll",
              FitPathToMeasure(L"C:\\Windows\\System32\\x.dll", 3, failing));
}

TEST(Countdown, ClockFormBelowOneDay)
{
    EXPECT_EQ(L"Time until next defragmentation 00:30:00", FormatCountdown(1800));
    EXPECT_EQ(L"Time until next defragmentation 00:00:01", FormatCountdown(1));
    EXPECT_EQ(L"Time until next defragmentation 23:59:59", FormatCountdown(86399));
}

TEST(Countdown, DaysFormFromOneDay)
{
    EXPECT_EQ(L"Time until next defragmentation: about 1 Day", FormatCountdown(86400));
    EXPECT_EQ(L"Time until next defragmentation: about 1 Day and 1 Hour", FormatCountdown(90000));
    EXPECT_EQ(L"Time until next defragmentation: about 2 Days", FormatCountdown(174600));
    EXPECT_EQ(L"Time until next defragmentation: about 3 Days and 5 Hours",
              FormatCountdown(3 * 86400 + 5 * 3600 + 59));
}

TEST(Countdown, ExtremeTimesNeitherOverflowNorTruncate)
{
    EXPECT_EQ(L"Time until next defragmentation: about 106751991167300 Days and 15 Hours",
              FormatCountdown(INT64_MAX));
    EXPECT_EQ(INT64_MAX, SecondsBetween(INT64_MIN, INT64_MAX));
    EXPECT_EQ(INT64_MIN, SecondsBetween(INT64_MAX, INT64_MIN));
    EXPECT_EQ(-1800, SecondsBetween(1800, 0));
    EXPECT_EQ(1799, SecondsBetween(0, 1799));
}

TEST(DecimalReading, ReadsLikeTheRuntime)
{
    EXPECT_EQ(0, ParseDecimal(L"", 5));
    EXPECT_EQ(0, ParseDecimal(L"abc", 4));
    EXPECT_EQ(12, ParseDecimal(L"  12x", 6));
    EXPECT_EQ(-7, ParseDecimal(L"-7", 3));
    EXPECT_EQ(5, ParseDecimal(L"+5", 3));
    EXPECT_EQ(1700000000, ParseDecimal(L"1700000000", 11));
    EXPECT_EQ(INT64_MIN, ParseDecimal(L"-9223372036854775808", 21));
}

TEST(DecimalReading, ClampsAndStopsAtTheLength)
{
    EXPECT_EQ(INT64_MAX, ParseDecimal(L"99999999999999999999", 21));
    EXPECT_EQ(INT64_MIN, ParseDecimal(L"-99999999999999999999", 22));
    // Unterminated room: only the given characters are read.
    const wchar_t digits[3] = {L'4', L'2', L'7'};
    EXPECT_EQ(42, ParseDecimal(digits, 2));
}
