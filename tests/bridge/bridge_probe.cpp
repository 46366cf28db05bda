// A small host program for the debug log tests: the log is decided once per
// process (registry value or the first argument "-debug"), so each case runs
// in a process of its own. The case comes from TW_PROBE_SCENARIO.

#include "TidewellLink/link_types.h"
#include "tests/support/test_support.h"

#include <string>

namespace {

template <class Proc>
Proc Bind(HMODULE module, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void FaultingProgress()
{
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

void __stdcall ThrowingClusters(int64_t, int64_t, int32_t) { throw 1; }

}  // namespace

int main()
{
    std::wstring program_dir = TestProgramDirectory() + L"..\\Orbenlake Tidewell ScreenSaver\\";
    HMODULE bridge = LoadLibraryW((program_dir + L"TidewellLink.dll").c_str());
    if (!bridge) return 10;
#define TW_PROBE_BIND(name, ordinal, result, params, args, fallback) \
    auto name = Bind<name##Proc>(bridge, #name);                    \
    if (!name) return 11;
    TW_LINK_EXPORTS(TW_PROBE_BIND)
#undef TW_PROBE_BIND

    wchar_t scenario_text[64] = L"";
    GetEnvironmentVariableW(L"TW_PROBE_SCENARIO", scenario_text, 64);
    std::wstring scenario = scenario_text;
    if (scenario != L"missing_engine") SetCurrentDirectoryW(program_dir.c_str());

    if (scenario == L"open_close" || scenario == L"missing_engine") {
        int32_t handle = GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
        if (handle) CloseVolumeHandle(handle);
    } else if (scenario == L"bad_close") {
        CloseVolumeHandle(-1);
    } else if (scenario == L"reuse") {
        for (int i = 0; i < 3; ++i) GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
        CloseVolumeHandle(2);
        GetVolumeHandle(L"D:\\", nullptr, nullptr, 1);
    } else if (scenario == L"setters_without_volume") {
        SetEnvironmentVariableW(L"TW_SIM_NO_VOLUME", L"1");  // read when the engine loads
        SetDefragPriority(5, 1);  // invalid handle: no line
        int32_t handle = GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
        SetReportFile(handle, L"r");
        SetDefragPriority(handle, 1);
        SetFileMask(handle, L"*");
        SetExclusionList(handle, L"a\0\0");
        SetSkipFragments(handle, 1);
        SetFragmentSize(handle, 1);
    } else if (scenario == L"callback_fault") {
        int32_t handle = GetVolumeHandle(L"C:\\", FaultingProgress, ThrowingClusters, 1);
        StartAnalyze(handle, nullptr, 1);
        for (int i = 0; i < 1000 && !GetAnalyzeComplete(handle); ++i) Sleep(10);
        CloseVolumeHandle(handle);
    } else if (scenario == L"leak") {
        // Handle 2 is left open while the engine reports: the end of the
        // process names it.
        CloseVolumeHandle(GetVolumeHandle(L"C:\\", nullptr, nullptr, 1));
        GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
        int32_t handle = GetVolumeHandle(L"D:\\", nullptr, nullptr, 1);
        CloseVolumeHandle(1);
        StartAnalyze(handle, nullptr, 1);
    } else if (scenario == L"release_fault") {
        SetEnvironmentVariableW(L"TW_SIM_FAULT", L"Release");  // the volume's
        CloseVolumeHandle(GetVolumeHandle(L"C:\\", nullptr, nullptr, 1));
        GetVolumeHandle(L"C:\\", nullptr, nullptr, 1);
    } else if (scenario == L"many_lines") {
        for (int i = 0; i < 200; ++i) CloseVolumeHandle(-1);
    } else {
        return 12;
    }
    return 0;
}
