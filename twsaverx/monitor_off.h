#pragma once
// Turning the monitors off: a full-screen worker that the platform reports as the running
// screen saver waits the power scheme's display time-out less the screen-saver time-out,
// then broadcasts the monitor power-off and ends.
#include <windows.h>

constexpr UINT_PTR monitor_off_timer_id = 1001;
constexpr UINT monitor_off_period_ms = 1000;

extern int monitor_off_armed;
extern DWORD monitor_off_start_tick;
extern DWORD monitor_off_delay_ms;

// What the platform answers; each `*_ok` is false when that query failed.
struct PowerReadings {
  bool running_ok = false;
  BOOL saver_running = FALSE;
  bool saver_timeout_ok = false;
  int saver_timeout_s = 0;
  bool power_status_ok = false;
  BYTE ac_line_status = 255;
  bool policies_ok = false;
  ULONG video_timeout_ac_s = 0;
  ULONG video_timeout_dc_s = 0;
};

struct MonitorOffPlan {
  bool armed = false;
  DWORD delay_ms = 0;
};

// The queries themselves; tests substitute readings of their own.
PowerReadings ReadPowerReadings();
// Where ArmMonitorOffTimer takes its readings from: ReadPowerReadings unless a test of the
// worker's window gives readings that wine can't.
extern PowerReadings (*power_readings_source)();

// Whether and after how long the monitors go off. A delay beyond the tick counter's range
// is held at its largest value instead of wrapping to a short one.
MonitorOffPlan PlanMonitorOff(const PowerReadings& readings);

// The delay has passed; the tick counter may have wrapped around since `start_tick`.
bool MonitorOffDue(DWORD now_tick, DWORD start_tick, DWORD delay_ms);

// Sets the three globals from the platform's readings (only when the plan arms).
void ArmMonitorOffTimer();
void ArmMonitorOffTimerWith(const PowerReadings& readings, DWORD now_tick);

// One tick of timer 1001: when the delay has passed, turns the monitors off and posts
// the quit message (the window stays). Returns true when it did.
bool OnMonitorOffTick(DWORD now_tick);

// How long the broadcast waits for each window; a hung window is skipped.
constexpr UINT monitor_off_send_timeout_ms = 2000;
