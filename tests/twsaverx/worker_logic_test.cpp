// The worker's pure rules: stored switches and the monitor-off plan.
#include <gtest/gtest.h>

#include <cwchar>

#include "tests/twsaverx/worker_test_support.h"
#include "twsaverx/monitor_off.h"
#include "twsaverx/stored_switches.h"

namespace {

TEST(StoredSwitches, ModeAndWindowOfEachStoredValue) {
  constexpr SwitchWindow foreground = SwitchWindow::Foreground;
  constexpr SwitchWindow numbered = SwitchWindow::Numbered;
  constexpr SwitchWindow none = SwitchWindow::None;
  const struct {
    const wchar_t* text;
    SaverMode mode;
    SwitchWindow window;
    intptr_t number;
  } cases[] = {
      {L"", SettingsMode, foreground, 0},
      {L"/s", FullScreenMode, foreground, 0},
      {L"-S", FullScreenMode, foreground, 0},
      {L"  s", FullScreenMode, foreground, 0},
      {L"/-/s", FullScreenMode, foreground, 0},
      {L"/s 1234", FullScreenMode, foreground, 0},
      {L"/p 1234", PreviewMode, numbered, 1234},
      {L"/p:1234", PreviewMode, numbered, 1234},
      {L"/P  : :77xyz", PreviewMode, numbered, 77},
      {L"/p", PreviewMode, none, 0},
      {L"/p  ", PreviewMode, none, 0},
      {L"/p x", PreviewMode, numbered, 0},
      {L"/c:5678", SettingsMode, numbered, 5678},
      {L"C 42", SettingsMode, numbered, 42},
      {L"/c", SettingsMode, foreground, 0},
      {L"c", SettingsMode, foreground, 0},
      {L"/c:", SettingsMode, foreground, 0},
      {L"/c:abc", SettingsMode, numbered, 0},
      {L"/c:-12", SettingsMode, numbered, -12},
      {L"---", SettingsMode, foreground, 0},
      {L"read", SettingsMode, none, 0},
      {L"x", SettingsMode, none, 0},
      {L"/a", SettingsMode, none, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored value '" << c.text << "'");
    const StoredSwitches parsed = ParseStoredSwitches(c.text, wcslen(c.text) + 1);
    EXPECT_EQ(parsed.mode, c.mode);
    EXPECT_EQ(parsed.window, c.window);
    EXPECT_EQ(parsed.window_number, c.number);
  }
  // A room filled without a terminator ends at the room's end.
  const wchar_t full_room[] = {L'/', L'p', L' ', L'1', L'2', L'3', L'4', L'5', L'9'};
  EXPECT_EQ(ParseStoredSwitches(full_room, 8).window_number, 12345);
  EXPECT_EQ(ParseStoredSwitches(full_room, 2).window, none);
}

TEST(MonitorOffPlan, DelayFromThePowerSourcesDisplayTimeOut) {
  const struct {
    const char* what;
    PowerReadings readings;
    bool armed;
    DWORD delay_ms;
  } cases[] = {
      {"mains", Readings(1, 600, 0, 300), true, 300000},
      {"battery, display never off", Readings(0, 600, 0, 300), false, 0},
      {"battery", Readings(0, 0, 900, 300), true, 600000},
      {"status unknown: mains", Readings(255, 600, 120, 300), true, 300000},
      {"display before saver", Readings(1, 300, 0, 600), false, 0},
      {"equal: at the first tick", Readings(1, 300, 0, 300), true, 0},
      // 5,000,000 s less 1 s would wrap a 32-bit millisecond count to a short delay.
      {"huge: held at the largest", Readings(1, 5000000, 0, 1), true, MAXDWORD},
      {"top bit set: negative", Readings(1, 0x80000000u, 0, 300), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const MonitorOffPlan plan = PlanMonitorOff(c.readings);
    EXPECT_EQ(plan.armed, c.armed);
    EXPECT_EQ(plan.delay_ms, c.delay_ms);
  }
  for (bool PowerReadings::*ok : {&PowerReadings::running_ok, &PowerReadings::saver_timeout_ok,
                                  &PowerReadings::power_status_ok, &PowerReadings::policies_ok}) {
    PowerReadings failed = Readings(1, 600, 0, 300);
    failed.*ok = false;
    EXPECT_FALSE(PlanMonitorOff(failed).armed);
  }
  PowerReadings not_running = Readings(1, 600, 0, 300);
  not_running.saver_running = FALSE;
  EXPECT_FALSE(PlanMonitorOff(not_running).armed);
}

TEST(MonitorOffTick, ArmsOnlyWhenPlannedAndQuitsWhenDueAcrossTheTickWrap) {
  monitor_off_armed = 0;
  ArmMonitorOffTimer();  // wine reports no running screen saver and has no power policies
  EXPECT_EQ(monitor_off_armed, 0);
  ArmMonitorOffTimerWith(Readings(1, 300, 0, 600), 5);
  EXPECT_EQ(monitor_off_armed, 0);
  ArmMonitorOffTimerWith(Readings(1, 302, 0, 300), 0xFFFFFC18u);
  ASSERT_EQ(monitor_off_armed, 1);
  EXPECT_EQ(monitor_off_start_tick, 0xFFFFFC18u);
  EXPECT_EQ(monitor_off_delay_ms, 2000u);

  MSG message;
  EXPECT_FALSE(OnMonitorOffTick(0x000003E7u));  // 1999 ms after arming, across the wrap
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(OnMonitorOffTick(0x000003E8u));
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);
  EXPECT_TRUE(MonitorOffDue(0xFFFFF000u, 0xFFFFF000u, 0));  // delay 0: the first tick
}

}  // namespace
