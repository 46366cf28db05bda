#include "sim_engine/sim_counters.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_counters_lock;
std::map<std::wstring, int64_t> g_values;

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
    bool counter = name == L"volumes_alive" || name == L"callbacks_held" ||
                   name == L"workers_running" || name == L"reports";
    return counter ? 0 : -1;
}
