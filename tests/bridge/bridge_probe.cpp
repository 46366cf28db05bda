// A small host program for the debug log tests: the log is decided once per
// process (registry value or the first argument "-debug"), so each case runs
// in a process of its own. The case comes from TW_PROBE_SCENARIO.

#include "TidewellLink/link_types.h"

#include <string>
#include <vector>

namespace {

std::wstring ExecutableDirectory()
{
    std::vector<wchar_t> path(32768);
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring full(path.data(), length);
    return full.substr(0, full.find_last_of(L"\\/") + 1);
}

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

}  // namespace

int main()
{
    std::wstring program_dir = ExecutableDirectory() + L"..\\Orbenlake Tidewell ScreenSaver\\";
    HMODULE bridge = LoadLibraryW((program_dir + L"TidewellLink.dll").c_str());
    if (!bridge) return 10;
    auto open = Bind<GetVolumeHandleProc>(bridge, "GetVolumeHandle");
    auto close = Bind<CloseVolumeHandleProc>(bridge, "CloseVolumeHandle");
    auto analyze = Bind<StartAnalyzeProc>(bridge, "StartAnalyze");
    auto complete = Bind<GetAnalyzeCompleteProc>(bridge, "GetAnalyzeComplete");
    auto priority = Bind<SetDefragPriorityProc>(bridge, "SetDefragPriority");
    auto report = Bind<SetReportFileProc>(bridge, "SetReportFile");
    auto mask = Bind<SetFileMaskProc>(bridge, "SetFileMask");
    auto exclusions = Bind<SetExclusionListProc>(bridge, "SetExclusionList");
    auto skip = Bind<SetSkipFragmentsProc>(bridge, "SetSkipFragments");
    auto size = Bind<SetFragmentSizeProc>(bridge, "SetFragmentSize");
    if (!open || !close || !analyze || !complete || !priority || !report || !mask ||
        !exclusions || !skip || !size)
        return 11;

    wchar_t scenario_text[64] = L"";
    GetEnvironmentVariableW(L"TW_PROBE_SCENARIO", scenario_text, 64);
    std::wstring scenario = scenario_text;
    if (scenario != L"missing_engine") SetCurrentDirectoryW(program_dir.c_str());

    if (scenario == L"open_close" || scenario == L"missing_engine") {
        int32_t handle = open(L"C:\\", nullptr, nullptr, 1);
        if (handle) close(handle);
    } else if (scenario == L"bad_close") {
        close(-1);
    } else if (scenario == L"reuse") {
        open(L"C:\\", nullptr, nullptr, 1);
        open(L"C:\\", nullptr, nullptr, 1);
        open(L"C:\\", nullptr, nullptr, 1);
        close(2);
        open(L"D:\\", nullptr, nullptr, 1);
    } else if (scenario == L"setters_without_volume") {
        priority(5, 1);  // invalid handle: no line
        int32_t handle = open(L"C:\\", nullptr, nullptr, 1);
        report(handle, L"r");
        priority(handle, 1);
        mask(handle, L"*");
        exclusions(handle, L"a\0\0");
        skip(handle, 1);
        size(handle, 1);
    } else if (scenario == L"callback_fault") {
        int32_t handle = open(L"C:\\", FaultingProgress, nullptr, 1);
        analyze(handle, nullptr, 1);
        for (int i = 0; i < 500 && !complete(handle); ++i) Sleep(10);
        close(handle);
    } else if (scenario == L"many_lines") {
        for (int i = 0; i < 200; ++i) close(-1);
    } else {
        return 12;
    }
    return 0;
}
