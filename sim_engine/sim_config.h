// The simulated engine's settings (see sim_control.h for their names), its
// failure injection, and what it has seen and holds (the tests' probes).

#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

enum class SimTextMode { Normal, Empty, Null };

struct SimConfig {
  int analyze_ms = 4000;
  int defrag_ms = 45000;
  int report_ms = 40;
  int64_t clusters = 2000000;
  bool no_volume = false;
  std::set<std::wstring> fail, fault, throws, raise;
  SimTextMode text_mode = SimTextMode::Normal;
  std::map<std::wstring, int64_t> values;
  bool odd_percent = false;
  bool bad_ranges = false;
  std::vector<std::wstring> exclusions;
  std::map<std::wstring, int> slow;  // method -> milliseconds it takes to answer
  size_t deep_path = 0;              // length of every current file; 0: plain names
};

// The settings in force (a snapshot; cheap to take).
std::shared_ptr<const SimConfig> CurrentSimConfig();

// Applies "NAME=value" on top of what is in force and keeps it for later rebuilds;
// false when the name or value is not understood. "TW_SIM_RESET=1" forgets every
// kept assignment.
bool ApplySimAssignment(const std::wstring& assignment);

// Rebuilds the settings: the defaults, every TW_SIM_* variable of the environment as
// it is now, then the kept assignments. Run at load and for every new volume, so
// that one process can run one test after another with settings of its own.
void ApplySimEnvironment();

// Called first by every simulated method: waits as long as the method is
// configured to take, then faults, throws or raises as configured, or answers
// true with *result = E_FAIL for a configured failure.
bool InjectSimFailure(const wchar_t* method, HRESULT* result);

// First statement of every simulated method; method is a narrow literal.
#define SIM_ENTER(method)                                         \
  do {                                                            \
    HRESULT injected = S_OK;                                      \
    if (InjectSimFailure(L"" method, &injected)) return injected; \
  } while (0)

// A configured fixed answer for a number getter.
bool FixedSimValue(const wchar_t* method, int64_t* value);

void AddSimCounter(const wchar_t* name, int64_t delta);
void SetSimValue(const wchar_t* name, int64_t value);
// The probe's value; 0 for a counter never changed, -1 for another name never set.
int64_t GetSimValue(const std::wstring& name);
