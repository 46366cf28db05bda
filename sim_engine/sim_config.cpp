#include "sim_engine/sim_config.h"

#include <cwchar>
#include <mutex>
#include <stdexcept>

namespace {

std::mutex g_config_lock;
std::shared_ptr<const SimConfig> g_config = std::make_shared<SimConfig>();
// What TwSimConfigure applied, in order, on top of the defaults and the environment.
std::vector<std::wstring> g_assignments;
std::mutex g_values_lock;
std::map<std::wstring, int64_t> g_values;

// Splits "a,b" (or another separator), keeping empty parts when asked.
std::vector<std::wstring> SplitSimList(const std::wstring& text, wchar_t separator,
                                       bool keep_empty) {
  std::vector<std::wstring> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    std::wstring part = text.substr(start, end == std::wstring::npos ? end : end - start);
    if (keep_empty || !part.empty()) parts.push_back(part);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return parts;
}

bool ParseNumber(const std::wstring& text, int64_t* value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  long long parsed = wcstoll(text.c_str(), &end, 10);
  if (!end || *end != L'\0') return false;
  *value = parsed;
  return true;
}

bool ApplySpeed(SimConfig& config, const std::wstring& value) {
  if (value == L"fast") {
    config.analyze_ms = 150;
    config.defrag_ms = 300;
    config.report_ms = 2;
  } else if (value == L"demo") {
    config.analyze_ms = 4000;
    config.defrag_ms = 45000;
    config.report_ms = 40;
  } else {
    return false;
  }
  return true;
}

std::set<std::wstring> MethodSet(const std::wstring& value) {
  std::vector<std::wstring> names = SplitSimList(value, L',', false);
  return std::set<std::wstring>(names.begin(), names.end());
}

bool ApplyValues(SimConfig& config, const std::wstring& value) {
  config.values.clear();
  for (const std::wstring& pair : SplitSimList(value, L',', false)) {
    size_t colon = pair.find(L':');
    int64_t number = 0;
    if (colon == std::wstring::npos || !ParseNumber(pair.substr(colon + 1), &number)) return false;
    config.values[pair.substr(0, colon)] = number;
  }
  return true;
}

bool ApplySlow(SimConfig& config, const std::wstring& value) {
  config.slow.clear();
  for (const std::wstring& pair : SplitSimList(value, L',', false)) {
    size_t colon = pair.find(L':');
    int64_t delay = 0;
    if (colon == std::wstring::npos || !ParseNumber(pair.substr(colon + 1), &delay) || delay < 0 ||
        delay > 600000)
      return false;
    config.slow[pair.substr(0, colon)] = static_cast<int>(delay);
  }
  return true;
}

bool ApplyToConfig(SimConfig& config, const std::wstring& name, const std::wstring& value) {
  int64_t number = 0;
  bool is_number = ParseNumber(value, &number);
  if (name == L"TW_SIM_SPEED") return ApplySpeed(config, value);
  if (name == L"TW_SIM_ANALYZE_MS" && is_number && number >= 0)
    return config.analyze_ms = static_cast<int>(number), true;
  if (name == L"TW_SIM_DEFRAG_MS" && is_number && number >= 0)
    return config.defrag_ms = static_cast<int>(number), true;
  if (name == L"TW_SIM_REPORT_MS" && is_number && number >= 0)
    return config.report_ms = static_cast<int>(number), true;
  if (name == L"TW_SIM_CLUSTERS" && is_number && number > 0) return config.clusters = number, true;
  if (name == L"TW_SIM_NO_VOLUME" && is_number) return config.no_volume = number != 0, true;
  if (name == L"TW_SIM_FAIL") return config.fail = MethodSet(value), true;
  if (name == L"TW_SIM_FAULT") return config.fault = MethodSet(value), true;
#if !defined(__i386__)
  // An i686 C++ exception cannot leave this module (it carries its own unwinder): the
  // process would end here instead of reaching the bridge.
  if (name == L"TW_SIM_THROW") return config.throws = MethodSet(value), true;
#endif
  if (name == L"TW_SIM_RAISE") return config.raise = MethodSet(value), true;
  if (name == L"TW_SIM_TEXT") {
    if (value == L"normal") return config.text_mode = SimTextMode::Normal, true;
    if (value == L"empty") return config.text_mode = SimTextMode::Empty, true;
    if (value == L"null") return config.text_mode = SimTextMode::Null, true;
    return false;
  }
  if (name == L"TW_SIM_VALUE") return ApplyValues(config, value);
  if (name == L"TW_SIM_ODD_PERCENT" && is_number) return config.odd_percent = number != 0, true;
  if (name == L"TW_SIM_BAD_RANGES" && is_number) return config.bad_ranges = number != 0, true;
  if (name == L"TW_SIM_EXCLUSIONS")
    return config.exclusions = SplitSimList(value, L'|', true), true;
  if (name == L"TW_SIM_SLOW") return ApplySlow(config, value);
  if (name == L"TW_SIM_DEEP_PATH" && is_number && number >= 0 && number <= 1000000)
    return config.deep_path = static_cast<size_t>(number), true;
  return false;
}

bool Listed(const std::set<std::wstring>& methods, const wchar_t* method) {
  return !methods.empty() && (methods.count(method) || methods.count(L"*"));
}

}  // namespace

std::shared_ptr<const SimConfig> CurrentSimConfig() {
  std::lock_guard<std::mutex> lock(g_config_lock);
  return g_config;
}

static bool ApplyAssignmentTo(SimConfig& config, const std::wstring& assignment) {
  size_t equals = assignment.find(L'=');
  return equals != std::wstring::npos &&
         ApplyToConfig(config, assignment.substr(0, equals), assignment.substr(equals + 1));
}

bool ApplySimAssignment(const std::wstring& assignment) {
  if (assignment == L"TW_SIM_RESET=1") {
    {
      std::lock_guard<std::mutex> lock(g_config_lock);
      g_assignments.clear();
    }
    ApplySimEnvironment();
    return true;
  }
  std::lock_guard<std::mutex> lock(g_config_lock);
  auto changed = std::make_shared<SimConfig>(*g_config);
  if (!ApplyAssignmentTo(*changed, assignment)) return false;
  g_assignments.push_back(assignment);
  g_config = changed;
  return true;
}

void ApplySimEnvironment() {
  static const wchar_t* const kNames[] = {
      L"TW_SIM_SPEED",       L"TW_SIM_ANALYZE_MS", L"TW_SIM_DEFRAG_MS",  L"TW_SIM_REPORT_MS",
      L"TW_SIM_CLUSTERS",    L"TW_SIM_NO_VOLUME",  L"TW_SIM_FAIL",       L"TW_SIM_FAULT",
      L"TW_SIM_THROW",       L"TW_SIM_RAISE",      L"TW_SIM_TEXT",       L"TW_SIM_VALUE",
      L"TW_SIM_ODD_PERCENT", L"TW_SIM_BAD_RANGES", L"TW_SIM_EXCLUSIONS", L"TW_SIM_SLOW",
      L"TW_SIM_DEEP_PATH"};
  auto fresh = std::make_shared<SimConfig>();
  for (const wchar_t* name : kNames) {
    wchar_t value[4096];
    DWORD length = GetEnvironmentVariableW(name, value, 4096);
    if (length > 0 && length < 4096) ApplyAssignmentTo(*fresh, std::wstring(name) + L"=" + value);
  }
  std::lock_guard<std::mutex> lock(g_config_lock);
  for (const std::wstring& assignment : g_assignments) ApplyAssignmentTo(*fresh, assignment);
  g_config = fresh;
}

bool InjectSimFailure(const wchar_t* method, HRESULT* result) {
  std::shared_ptr<const SimConfig> config = CurrentSimConfig();
  auto slow = config->slow.find(method);
  if (slow != config->slow.end()) {
    AddSimCounter(L"slow_calls", 1);
    Sleep(static_cast<DWORD>(slow->second));
    AddSimCounter(L"slow_calls", -1);
  }
  if (Listed(config->fault, method)) {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
  }
  if (Listed(config->raise, method)) RaiseException(0xE0534D31, 0, 0, nullptr);
  if (Listed(config->throws, method)) throw std::runtime_error("simulated engine error");
  if (Listed(config->fail, method)) {
    *result = E_FAIL;
    return true;
  }
  return false;
}

bool FixedSimValue(const wchar_t* method, int64_t* value) {
  std::shared_ptr<const SimConfig> config = CurrentSimConfig();
  auto found = config->values.find(method);
  if (found == config->values.end()) return false;
  *value = found->second;
  return true;
}

void AddSimCounter(const wchar_t* name, int64_t delta) {
  std::lock_guard<std::mutex> lock(g_values_lock);
  g_values[name] += delta;
}

void SetSimValue(const wchar_t* name, int64_t value) {
  std::lock_guard<std::mutex> lock(g_values_lock);
  g_values[name] = value;
}

int64_t GetSimValue(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(g_values_lock);
  auto found = g_values.find(name);
  if (found != g_values.end()) return found->second;
  bool counter = name == L"volumes_alive" || name == L"callbacks_held" ||
                 name == L"workers_running" || name == L"reports" || name == L"slow_calls";
  return counter ? 0 : -1;
}
