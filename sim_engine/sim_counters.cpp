#include "sim_engine/sim_counters.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_counters_lock;
std::map<std::wstring, int64_t> g_values;

bool IsObjectCount(const std::wstring& name)
{
    return name == L"volumes_alive" || name == L"callbacks_held" || name == L"workers_running";
}

}  // namespace

void AddSimCounter(const wchar_t* name, int64_t delta)
{
    std::lock_guard<std::mutex> lock(g_counters_lock);
    g_values[name] += delta;
}

void SetSimValue(const wchar_t* name, int64_t value)
{
    std::lock_guard<std::mutex> lock(g_counters_lock);
    g_values[name] = value;
}

int64_t GetSimValue(const std::wstring& name)
{
    std::lock_guard<std::mutex> lock(g_counters_lock);
    auto found = g_values.find(name);
    if (found != g_values.end()) return found->second;
    return IsObjectCount(name) || name == L"reports" ? 0 : -1;
}

void ResetSimCounters()
{
    std::lock_guard<std::mutex> lock(g_counters_lock);
    for (auto it = g_values.begin(); it != g_values.end();)
        it = IsObjectCount(it->first) ? std::next(it) : g_values.erase(it);
}
