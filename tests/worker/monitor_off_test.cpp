#include <gtest/gtest.h>

#include "twsaverx/monitor_off.h"

namespace {

PowerReadings Readings(BYTE ac_line, ULONG ac_s, ULONG dc_s, int saver_s) {
  PowerReadings r;
  r.running_ok = true;
  r.saver_running = TRUE;
  r.saver_timeout_ok = true;
  r.saver_timeout_s = saver_s;
  r.power_status_ok = true;
  r.ac_line_status = ac_line;
  r.policies_ok = true;
  r.video_timeout_ac_s = ac_s;
  r.video_timeout_dc_s = dc_s;
  return r;
}

TEST(MonitorOffPlan, TimeOutsOfThePowerSource) {
  MonitorOffPlan mains = PlanMonitorOff(Readings(1, 600, 0, 300));
  EXPECT_TRUE(mains.armed);
  EXPECT_EQ(mains.delay_ms, 300000u);
  EXPECT_FALSE(PlanMonitorOff(Readings(0, 600, 0, 300)).armed);  // battery, display never off
  MonitorOffPlan unknown = PlanMonitorOff(Readings(255, 600, 120, 300));
  EXPECT_TRUE(unknown.armed);  // unknown status: the mains time-out
  EXPECT_EQ(unknown.delay_ms, 300000u);
  MonitorOffPlan battery = PlanMonitorOff(Readings(0, 0, 900, 300));
  EXPECT_TRUE(battery.armed);
  EXPECT_EQ(battery.delay_ms, 600000u);
}

TEST(MonitorOffPlan, DisplayTimeOutBelowOrEqualToSaverTimeOut) {
  EXPECT_FALSE(PlanMonitorOff(Readings(1, 300, 0, 600)).armed);
  MonitorOffPlan equal = PlanMonitorOff(Readings(1, 300, 0, 300));
  EXPECT_TRUE(equal.armed);
  EXPECT_EQ(equal.delay_ms, 0u);
}

TEST(MonitorOffPlan, FailedQueriesOrNoRunningSaverNeverArm) {
  PowerReadings not_running = Readings(1, 600, 0, 300);
  not_running.saver_running = FALSE;
  EXPECT_FALSE(PlanMonitorOff(not_running).armed);
  PowerReadings no_policies = Readings(1, 600, 0, 300);
  no_policies.policies_ok = false;  // what wine answers
  EXPECT_FALSE(PlanMonitorOff(no_policies).armed);
  PowerReadings no_status = Readings(1, 600, 0, 300);
  no_status.power_status_ok = false;
  EXPECT_FALSE(PlanMonitorOff(no_status).armed);
  PowerReadings no_timeout = Readings(1, 600, 0, 300);
  no_timeout.saver_timeout_ok = false;
  EXPECT_FALSE(PlanMonitorOff(no_timeout).armed);
}

TEST(MonitorOffPlan, HugeTimeOutsNeitherOverflowNorCompareUnsigned) {
  // 5,000,000 s less 1 s would wrap a 32-bit millisecond count to a short delay.
  MonitorOffPlan huge = PlanMonitorOff(Readings(1, 5000000, 0, 1));
  EXPECT_TRUE(huge.armed);
  EXPECT_EQ(huge.delay_ms, MAXDWORD);
  // A time-out with the top bit set reads as negative: smaller than the saver's.
  EXPECT_FALSE(PlanMonitorOff(Readings(1, 0x80000000u, 0, 300)).armed);
}

TEST(MonitorOffTick, ElapsedTimeSurvivesTheTickWrap) {
  EXPECT_FALSE(MonitorOffDue(1000 + 299999, 1000, 300000));
  EXPECT_TRUE(MonitorOffDue(1000 + 300000, 1000, 300000));
  const DWORD start = 0xFFFFF000u;  // 4096 ms before the wrap
  EXPECT_FALSE(MonitorOffDue(start + 299999u, start, 300000));
  EXPECT_TRUE(MonitorOffDue(start + 300000u, start, 300000));
  EXPECT_TRUE(MonitorOffDue(start, start, 0));  // delay 0: the first tick
}

TEST(MonitorOffTick, ArmsOnceAndQuitsWhenDue) {
  monitor_off_armed = 0;
  ArmMonitorOffTimerWith(Readings(1, 300, 0, 600), 5);
  EXPECT_EQ(monitor_off_armed, 0);  // nothing set when the plan does not arm
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
}

TEST(MonitorOffTick, WinePowerQueriesLeaveItUnarmed) {
  // Here the platform reports no running screen saver (and has no power policies).
  monitor_off_armed = 0;
  ArmMonitorOffTimer();
  EXPECT_EQ(monitor_off_armed, 0);
}

}  // namespace
