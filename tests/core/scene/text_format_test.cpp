// Number texts, path fitting, the countdown text and the settings' decimal reading.
#include <gtest/gtest.h>

#include <climits>

#include "core/drive_list/drive_list.h"
#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_probe.h"
#include "core/scene/text_format.h"

namespace {

// Every character one unit wide, as in the worked example of path fitting.
bool UnitWidth(const wchar_t*, int length, int* extents) {
  for (int i = 0; i < length; ++i) extents[i] = i + 1;
  return true;
}

// Backslashes five units wide, every other character one.
bool WideBackslash(const wchar_t* text, int length, int* extents) {
  int width = 0;
  for (int i = 0; i < length; ++i) extents[i] = width += text[i] == L'\\' ? 5 : 1;
  return true;
}

}  // namespace

TEST(NumberFormat, DecimalAndGroupedCoverTheWholeRange) {
  struct Case {
    int64_t value;
    const wchar_t* decimal;
    const wchar_t* grouped;
  } cases[] = {
      {0, L"0", L"0"},
      {100, L"100", L"100"},
      {999, L"999", L"999"},
      {1000, L"1000", L"1,000"},
      {1234567, L"1234567", L"1,234,567"},
      {-5, L"-5", L"-5"},
      {-100, L"-100", L"-100"},
      {-123456, L"-123456", L"-123,456"},
      {INT64_MAX, L"9223372036854775807", L"9,223,372,036,854,775,807"},
      {INT64_MIN, L"-9223372036854775808", L"-9,223,372,036,854,775,808"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.decimal, SaverScene::FormatInt64(c.value)) << c.value;
    EXPECT_EQ(c.grouped, SaverScene::FormatInt64Grouped(c.value)) << c.value;
  }
  EXPECT_EQ(L"-5", SaverScene::FormatInt(-5));
  EXPECT_EQ(L"-2147483648", SaverScene::FormatInt(INT32_MIN));
}

TEST(PathFitting, LongestFrontThatFitsThenTheFileName) {
  struct Case {
    const wchar_t* path;
    int width;
    const wchar_t* fitted;
  } cases[] = {
      // Paths that fit come back unchanged, with or without a backslash.
      {L"C:\\a\\b.txt", 10, L"C:\\a\\b.txt"},
      {L"", 0, L""},
      {L"nobackslash", 11, L"nobackslash"},
      // Too wide without a backslash: the front that fits, then "...".
      {L"averylongfilename", 8, L"avery..."},
      {L"averylongfilename", 3, L"..."},
      {L"averylongfilename", 2, L""},
      // The worked example: cut back to C:\Windows\, then four characters given back.
      {L"C:\\Windows\\System32\\drivers\\etc\\hosts", 24, L"C:\\Windows\\Syst...\\hosts"},
      // The tail alone is wider than the line (or leaves no room): only the tail.
      {L"C:\\dir\\averyveryverylongname.txt", 10, L"...\\averyveryverylongname.txt"},
      {L"C:\\dir\\f", 5, L"...\\f"},
      // Only the drive part fits, and three characters of the first directory.
      {L"C:\\directory\\sub\\file", 14, L"C:\\dir...\\file"},
      // The head fits after the first cut; nothing of the cut name comes back.
      {L"C:\\a\\bbbb\\file", 13, L"C:\\a\\...\\file"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.fitted, FitPathToMeasure(c.path, c.width, UnitWidth)) << c.path;
}

TEST(PathFitting, SearchNeverWrapsAndFailedMeasuringKeepsThePath) {
  // Tail "...\file" = 3 + 5 + 4 = 12, room 2: the head is cut down to "\" (5), which
  // still does not fit; there is no earlier backslash, so only the tail is left.
  EXPECT_EQ(L"...\\file", FitPathToMeasure(L"\\dir\\file", 14, WideBackslash));

  auto failing = [](const wchar_t*, int, int*) { return false; };
  EXPECT_EQ(L"C:\\Windows\\System32\\x.dll",
            FitPathToMeasure(L"C:\\Windows\\System32\\x.dll", 3, failing));
  EXPECT_EQ(L"averylongfilename", FitPathToMeasure(L"averylongfilename", 3, failing));

  // The scene fits with its own measure and the grid's width.
  DiskList drives;
  SaverScene scene(&drives, false);
  SceneProbe probe{scene};
  probe.grid_width = 24;
  probe.measure_text = [](const wchar_t*, int length) { return length; };
  EXPECT_EQ(L"C:\\Windows\\Syst...\\hosts",
            scene.FitPathToWidth(L"C:\\Windows\\System32\\drivers\\etc\\hosts"));
  // Without the seam it measures on the window's DC; with none, measuring fails: 0.
  probe.measure_text = nullptr;
  SIZE size = {};
  EXPECT_EQ(0, scene.GetTextWidth(L"abc", 3, &size));
  probe.window_dc.Reset(nullptr, GetDC(nullptr));
  EXPECT_EQ(0, scene.GetTextWidth(L"", 0, &size));
  const int width = scene.GetTextWidth(L"abc", 3, &size);
  EXPECT_GT(width, 0);
  EXPECT_EQ(width, size.cx);
  // In a real font the fitted path fits the line, and its front is as long as fits:
  // one character more does not.
  probe.grid_width = 200;
  const std::wstring path = L"C:\\Windows\\System32\\DriverStore\\FileRepository\\display.inf";
  const std::wstring fitted = scene.FitPathToWidth(path);
  const size_t dots = fitted.find(L"...");
  ASSERT_NE(std::wstring::npos, dots) << std::string(fitted.begin(), fitted.end());
  const std::wstring longer = path.substr(0, dots + 1) + fitted.substr(dots);
  EXPECT_LE(scene.GetTextWidth(fitted.c_str(), static_cast<int>(fitted.size()), &size), 200);
  EXPECT_GT(scene.GetTextWidth(longer.c_str(), static_cast<int>(longer.size()), &size), 200);
  ReleaseDC(nullptr, probe.window_dc);
}

TEST(PathFitting, ADeepPathIsMeasuredOnlyAsFarAsTheLineReaches) {
  // 32,000 characters: "C:\" and 15,994 folders "d\" deep, then the file name.
  std::wstring path = L"C:\\";
  for (int i = 0; i < 15994; ++i) path += L"d\\";
  path += L"files.txt";
  ASSERT_EQ(32000u, path.size());
  static size_t measured;
  measured = 0;
  auto counting = [](const wchar_t* text, int length, int* extents) {
    measured += static_cast<size_t>(length);
    return UnitWidth(text, length, extents);
  };
  // Tail "...\files.txt" is 13 wide, room 87: the head is cut back to the backslash at
  // 86, which fits exactly, so nothing of the folder after it comes back.
  EXPECT_EQ(path.substr(0, 87) + L"...\\files.txt", FitPathToMeasure(path, 100, counting));
  EXPECT_LT(measured, 2000u);  // not the whole path, let alone once per folder
  // A line wide enough for all of it measures it all, once or a few times over.
  measured = 0;
  EXPECT_EQ(path, FitPathToMeasure(path, 32000, counting));
  EXPECT_LT(measured, 3 * path.size());
}

TEST(Countdown, DaysAndHoursInFullWithoutOverflow) {
  // The schedule's tests pin the boundaries; here the plural of both and the 64-bit range.
  EXPECT_EQ(L"Time until next defragmentation: about 3 Days and 5 Hours",
            FormatCountdown(3 * 86400 + 5 * 3600 + 59));
  EXPECT_EQ(L"Time until next defragmentation: about 106751991167300 Days and 15 Hours",
            FormatCountdown(INT64_MAX));
  EXPECT_EQ(INT64_MAX, SecondsBetween(INT64_MIN, INT64_MAX));
  EXPECT_EQ(INT64_MIN, SecondsBetween(INT64_MAX, INT64_MIN));
  EXPECT_EQ(-1800, SecondsBetween(1800, 0));
  EXPECT_EQ(1799, SecondsBetween(0, 1799));
}

TEST(DecimalReading, ReadsLikeTheRuntimeWithinTheLength) {
  struct Case {
    const wchar_t* text;
    size_t length;
    int64_t value;
  } cases[] = {
      {L"", 5, 0},
      {L"-7", 3, -7},
      {L"+5", 3, 5},
      {L"99999999999999999999", 21, INT64_MAX},
      {L"-99999999999999999999", 22, INT64_MIN},
      {L"427", 2, 42},  // only the given characters are read
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, ParseDecimal(c.text, c.length)) << c.text;
}
