#include "twsaverx/monitor_off.h"

#include <powrprof.h>

#include <cstdint>

int monitor_off_armed = 0;
DWORD monitor_off_start_tick = 0;
DWORD monitor_off_delay_ms = 0;

PowerReadings ReadPowerReadings() {
  PowerReadings r;
  r.running_ok = SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &r.saver_running, 0) != FALSE;
  if (!r.running_ok || !r.saver_running) return r;
  r.saver_timeout_ok =
      SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &r.saver_timeout_s, 0) != FALSE;
  if (!r.saver_timeout_ok) return r;
  SYSTEM_POWER_STATUS status = {};
  r.power_status_ok = GetSystemPowerStatus(&status) != FALSE;
  if (!r.power_status_ok) return r;
  r.ac_line_status = status.ACLineStatus;
  GLOBAL_POWER_POLICY global_policy = {};
  POWER_POLICY policy = {};
  r.policies_ok = GetCurrentPowerPolicies(&global_policy, &policy) != FALSE;
  if (r.policies_ok) {
    r.video_timeout_ac_s = policy.user.VideoTimeoutAc;
    r.video_timeout_dc_s = policy.user.VideoTimeoutDc;
  }
  return r;
}

MonitorOffPlan PlanMonitorOff(const PowerReadings& r) {
  MonitorOffPlan plan;
  if (!r.running_ok || !r.saver_running || !r.saver_timeout_ok || !r.power_status_ok ||
      !r.policies_ok) {
    return plan;
  }
  const bool on_battery = r.ac_line_status == 0;
  const int32_t display_timeout_s =
      static_cast<int32_t>(on_battery ? r.video_timeout_dc_s : r.video_timeout_ac_s);
  if (display_timeout_s == 0 || display_timeout_s < r.saver_timeout_s) return plan;
  const int64_t delay_ms =
      (static_cast<int64_t>(display_timeout_s) - static_cast<int64_t>(r.saver_timeout_s)) * 1000;
  plan.armed = true;
  plan.delay_ms =
      delay_ms > static_cast<int64_t>(MAXDWORD) ? MAXDWORD : static_cast<DWORD>(delay_ms);
  return plan;
}

bool MonitorOffDue(DWORD now_tick, DWORD start_tick, DWORD delay_ms) {
  const DWORD elapsed = now_tick - start_tick;  // unsigned: a wrap of the tick count is harmless
  return elapsed >= delay_ms;
}

void ArmMonitorOffTimerWith(const PowerReadings& readings, DWORD now_tick) {
  const MonitorOffPlan plan = PlanMonitorOff(readings);
  if (!plan.armed) return;
  monitor_off_armed = 1;
  monitor_off_start_tick = now_tick;
  monitor_off_delay_ms = plan.delay_ms;
}

PowerReadings (*power_readings_source)() = ReadPowerReadings;

void ArmMonitorOffTimer() { ArmMonitorOffTimerWith(power_readings_source(), GetTickCount()); }

bool OnMonitorOffTick(DWORD now_tick) {
  if (!MonitorOffDue(now_tick, monitor_off_start_tick, monitor_off_delay_ms)) return false;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, 2,
                      SMTO_ABORTIFHUNG | SMTO_NORMAL, monitor_off_send_timeout_ms, &ignored);
  PostQuitMessage(0);
  return true;
}
