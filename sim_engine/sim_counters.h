// What the simulated engine has seen and holds, for the tests' probes.

#ifndef TIDEWELL_SIM_COUNTERS_H
#define TIDEWELL_SIM_COUNTERS_H

#include <cstdint>
#include <string>

void AddSimCounter(const wchar_t* name, int64_t delta);
void SetSimValue(const wchar_t* name, int64_t value);
// -1 for a name never set.
int64_t GetSimValue(const std::wstring& name);

#endif
