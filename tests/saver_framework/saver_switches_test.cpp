// The screen-saver command line and the closing thresholds, read without any window.
#include <gtest/gtest.h>

#include "saver_framework/close_rules.h"
#include "saver_framework/saver_switches.h"

namespace {

TEST(SaverSwitches, ParsesEverySwitchForm) {
  const struct {
    const wchar_t* arguments;
    SaverAction action;
    uintptr_t window;
  } cases[] = {
      {nullptr, SaverAction::SettingsNoOwner, 0},
      {L"  -/ ", SaverAction::SettingsNoOwner, 0},
      {L"  /-s trailing", SaverAction::FullScreen, 0},
      {L"S", SaverAction::FullScreen, 0},
      {L"C", SaverAction::Settings, 0},
      {L"/c:1234", SaverAction::Settings, 1234},
      {L"/c:", SaverAction::Settings, 0},
      {L"/c:12ab", SaverAction::Settings, 12},
      {L"/c 1234", SaverAction::Settings, 0},  // only a colon introduces the owner
      {L"/P   5678", SaverAction::Preview, 5678},
      {L"-p5678", SaverAction::Preview, 5678},
      {L"L 42", SaverAction::Preview, 42},
      {L"/p x", SaverAction::Preview, 0},
      {L"/a 77", SaverAction::ChangePassword, 77},
      {L"/A", SaverAction::ChangePassword, 0},
      {L"/x", SaverAction::Invalid, 0},
      {L"read", SaverAction::Invalid, 0},
      {L"1234", SaverAction::Invalid, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "arguments: \"" << (c.arguments ? c.arguments : L"") << "\"");
    const SaverCommand command = ParseSaverSwitches(c.arguments);
    EXPECT_EQ(command.action, c.action);
    EXPECT_EQ(command.window, c.window);
  }
  // A handle too long for any window wraps; IsWindow then rejects it.
  EXPECT_EQ(ParseSaverSwitches(L"/p 99999999999999999999999999999999").action,
            SaverAction::Preview);
}

TEST(SaverSwitches, SkipsTheProgramName) {
  const struct {
    const wchar_t* command_line;
    const wchar_t* rest;
  } cases[] = {
      {nullptr, L""},
      {L"twsaver.scr /s", L"/s"},
      {L"twsaver.scr    ", L""},
      {L"\"C:\\Program Files\\twsaver.scr\" /p 12", L"/p 12"},
      {L"\"C:\\dir with blanks\\twsaver.scr\"/c", L"/c"},
      {L"\"unterminated quote /s", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command line: " << (c.command_line ? c.command_line : L""));
    EXPECT_STREQ(SkipProgramName(c.command_line), c.rest);
  }
}

TEST(CloseRules, MouseMoveThresholdIsFourPixelsInTotal) {
  const struct {
    POINT to;
    bool closes;
  } cases[] = {
      {{100, 100}, false}, {{102, 102}, false}, {{104, 100}, false}, {{98, 98}, false},
      {{103, 102}, true},  {{100, 95}, true},   {{97, 102}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "to " << c.to.x << "," << c.to.y);
    EXPECT_EQ(MouseMovedPastThreshold({100, 100}, c.to), c.closes);
  }
  EXPECT_TRUE(MouseMovedPastThreshold({-2000000000, 0}, {2000000000, 0}));
}

TEST(CloseRules, PowerBroadcastClosesExceptOnQuietResumesAndUnchangedPower) {
  const struct {
    WPARAM event;
    LPARAM data;
    bool unchanged;
    bool closes;
  } cases[] = {
      {PBT_APMRESUMEAUTOMATIC, 1, true, false},
      {PBT_APMRESUMEAUTOMATIC, 0, true, true},
      {PBT_APMRESUMESUSPEND, 1, true, false},
      {PBT_APMRESUMESUSPEND, 0, true, true},
      {PBT_APMRESUMECRITICAL, 1, true, false},
      {PBT_APMRESUMESTANDBY, 1, true, false},
      {PBT_APMPOWERSTATUSCHANGE, 0, true, false},
      {PBT_APMPOWERSTATUSCHANGE, 0, false, true},
      {PBT_APMSUSPEND, 0, true, true},
      {PBT_APMQUERYSUSPEND, 1, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "event " << c.event << " data " << c.data);
    EXPECT_EQ(PowerBroadcastCloses(c.event, c.data, c.unchanged), c.closes);
  }
}

}  // namespace
