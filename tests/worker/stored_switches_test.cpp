#include <gtest/gtest.h>

#include <cwchar>

#include "twsaverx/stored_switches.h"

namespace {

struct SwitchCase {
  const wchar_t* text;
  SaverMode mode;
  SwitchWindow window;
  intptr_t number;
};

StoredSwitches Parse(const wchar_t* text) { return ParseStoredSwitches(text, wcslen(text) + 1); }

TEST(StoredSwitches, TableOfStoredValues) {
  const SwitchCase cases[] = {
      {L"", settings_mode, SwitchWindow::foreground, 0},
      {L"/s", full_screen_mode, SwitchWindow::foreground, 0},
      {L"-S", full_screen_mode, SwitchWindow::foreground, 0},
      {L"  s", full_screen_mode, SwitchWindow::foreground, 0},
      {L"/-/s", full_screen_mode, SwitchWindow::foreground, 0},
      {L"/s 1234", full_screen_mode, SwitchWindow::foreground, 0},
      {L"/p 1234", preview_mode, SwitchWindow::numbered, 1234},
      {L"/p:1234", preview_mode, SwitchWindow::numbered, 1234},
      {L"/P  : :77xyz", preview_mode, SwitchWindow::numbered, 77},
      {L"/p", preview_mode, SwitchWindow::none, 0},
      {L"/p  ", preview_mode, SwitchWindow::none, 0},
      {L"/p x", preview_mode, SwitchWindow::numbered, 0},
      {L"/c:5678", settings_mode, SwitchWindow::numbered, 5678},
      {L"C 42", settings_mode, SwitchWindow::numbered, 42},
      {L"/c", settings_mode, SwitchWindow::foreground, 0},
      {L"c", settings_mode, SwitchWindow::foreground, 0},
      {L"/c:", settings_mode, SwitchWindow::foreground, 0},
      {L"/c:abc", settings_mode, SwitchWindow::numbered, 0},
      {L"/c:-12", settings_mode, SwitchWindow::numbered, -12},
      {L"---", settings_mode, SwitchWindow::foreground, 0},
      {L"read", settings_mode, SwitchWindow::none, 0},
      {L"x", settings_mode, SwitchWindow::none, 0},
      {L"/a", settings_mode, SwitchWindow::none, 0},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored value '" << c.text << "'");
    StoredSwitches parsed = Parse(c.text);
    EXPECT_EQ(parsed.mode, c.mode);
    EXPECT_EQ(parsed.window, c.window);
    EXPECT_EQ(parsed.window_number, c.number);
  }
}

TEST(StoredSwitches, UnterminatedTextEndsAtItsRoom) {
  // A full room without a terminator: nothing after it is read.
  wchar_t room[8] = {L'/', L'p', L' ', L'1', L'2', L'3', L'4', L'5'};
  wchar_t with_more[10] = {L'/', L'p', L' ', L'1', L'2', L'3', L'4', L'5', L'9', L'\0'};
  EXPECT_EQ(ParseStoredSwitches(room, 8).window_number, 12345);
  EXPECT_EQ(ParseStoredSwitches(with_more, 8).window_number, 12345);
  wchar_t only_switch[2] = {L'/', L'p'};
  EXPECT_EQ(ParseStoredSwitches(only_switch, 2).window, SwitchWindow::none);
}

}  // namespace
