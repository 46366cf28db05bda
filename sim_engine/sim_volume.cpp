#include "sim_engine/sim_volume.h"

#include "sim_engine/sim_config.h"
#include "sim_engine/sim_counters.h"

namespace {

const int64_t kBytesPerCluster = 4096;

}  // namespace

SimVolume::SimVolume(const wchar_t* drive_name, ICallback* callback)
    : state(std::make_shared<SimVolumeState>(drive_name ? drive_name : L"", callback,
                                             CurrentSimConfig()->clusters)),
      exclusions(new SimExclusionList(CurrentSimConfig()->exclusions))
{
    AddSimCounter(L"volumes_alive", 1);
}

SimVolume::~SimVolume()
{
    EndSimWorker(*state, worker);
    exclusions->Release();
    AddSimCounter(L"volumes_alive", -1);
}

HRESULT __stdcall SimVolume::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualGUID(iid, kIID_IVolume) || IsEqualGUID(iid, IID_IUnknown)) {
        *object = static_cast<IVolume*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG __stdcall SimVolume::AddRef() { return ++reference_count; }

ULONG __stdcall SimVolume::Release()
{
    SIM_ENTER("Release");
    ULONG remaining = --reference_count;
    if (remaining == 0) delete this;
    return remaining;
}

template <class T>
HRESULT SimVolume::AnswerNumber(const wchar_t* method, T value, T* out)
{
    if (!out) return E_POINTER;
    int64_t fixed = 0;
    *out = FixedSimValue(method, &fixed) ? static_cast<T>(fixed) : value;
    return S_OK;
}

HRESULT SimVolume::AnswerText(const std::wstring& text, BSTR* out)
{
    if (!out) return E_POINTER;
    switch (CurrentSimConfig()->text_mode) {
    case SimTextMode::kNull: *out = nullptr; break;
    case SimTextMode::kEmpty: *out = SysAllocString(L""); break;
    default: *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); break;
    }
    return S_OK;
}

HRESULT SimVolume::AnswerFlag(const wchar_t* method, bool SimVolumeState::*flag, int32_t* out)
{
    bool value;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        value = (*state).*flag;
    }
    return AnswerNumber<int32_t>(method, value ? 1 : 0, out);
}

HRESULT SimVolume::SetPaused(bool paused)
{
    {
        std::lock_guard<std::mutex> guard(state->lock);
        state->paused = paused;
    }
    state->wake.notify_all();
    return S_OK;
}

// --- Volume information ------------------------------------------------------

HRESULT __stdcall SimVolume::GetDriveName(BSTR* text)
{
    SIM_ENTER("GetDriveName");
    return AnswerText(state->drive, text);
}

HRESULT __stdcall SimVolume::GetDisplayName(BSTR* text)
{
    SIM_ENTER("GetDisplayName");
    std::wstring letter = state->drive.empty() ? L"C" : state->drive.substr(0, 1);
    return AnswerText(L"Simulated disk (" + letter + L":)", text);
}

HRESULT __stdcall SimVolume::GetVolumeLabel(BSTR* text)
{
    SIM_ENTER("GetVolumeLabel");
    return AnswerText(L"Simulated disk", text);
}

HRESULT __stdcall SimVolume::GetFileSystemName(BSTR* text)
{
    SIM_ENTER("GetFileSystemName");
    return AnswerText(L"NTFS", text);
}

HRESULT __stdcall SimVolume::GetBytesPerSector(int32_t* value)
{
    SIM_ENTER("GetBytesPerSector");
    return AnswerNumber<int32_t>(L"GetBytesPerSector", 512, value);
}

HRESULT __stdcall SimVolume::GetSectorsPerCluster(int32_t* value)
{
    SIM_ENTER("GetSectorsPerCluster");
    return AnswerNumber<int32_t>(L"GetSectorsPerCluster", kBytesPerCluster / 512, value);
}

namespace {

struct SimStats {
    int64_t clusters, used_clusters, fragmented_clusters, used_blocks, fragmented_blocks;
};

SimStats StatsOf(SimVolumeState& state)
{
    std::lock_guard<std::mutex> guard(state.lock);
    SimDiskStats counted = CountSimDisk(state.disk);
    return SimStats{state.disk.clusters, counted.used_blocks * state.disk.block_clusters,
                    counted.fragmented_blocks * state.disk.block_clusters, counted.used_blocks,
                    counted.fragmented_blocks};
}

}  // namespace

HRESULT __stdcall SimVolume::GetDiskSize(int64_t* value)
{
    SIM_ENTER("GetDiskSize");
    return AnswerNumber<int64_t>(L"GetDiskSize", StatsOf(*state).clusters * kBytesPerCluster, value);
}

HRESULT __stdcall SimVolume::GetFreeSize(int64_t* value)
{
    SIM_ENTER("GetFreeSize");
    SimStats stats = StatsOf(*state);
    return AnswerNumber<int64_t>(L"GetFreeSize",
                                 (stats.clusters - stats.used_clusters) * kBytesPerCluster, value);
}

HRESULT __stdcall SimVolume::GetUsedSize(int64_t* value)
{
    SIM_ENTER("GetUsedSize");
    return AnswerNumber<int64_t>(L"GetUsedSize", StatsOf(*state).used_clusters * kBytesPerCluster,
                                 value);
}

HRESULT __stdcall SimVolume::GetTotalClusters(int64_t* value)
{
    SIM_ENTER("GetTotalClusters");
    return AnswerNumber<int64_t>(L"GetTotalClusters", StatsOf(*state).clusters, value);
}

HRESULT __stdcall SimVolume::GetTotalDirs(int64_t* value)
{
    SIM_ENTER("GetTotalDirs");
    return AnswerNumber<int64_t>(L"GetTotalDirs", StatsOf(*state).used_blocks * 3, value);
}

HRESULT __stdcall SimVolume::GetTotalFiles(int64_t* value)
{
    SIM_ENTER("GetTotalFiles");
    return AnswerNumber<int64_t>(L"GetTotalFiles", StatsOf(*state).used_blocks * 40, value);
}

HRESULT __stdcall SimVolume::GetFragmentedFiles(int64_t* value)
{
    SIM_ENTER("GetFragmentedFiles");
    return AnswerNumber<int64_t>(L"GetFragmentedFiles", StatsOf(*state).fragmented_blocks * 7,
                                 value);
}

HRESULT __stdcall SimVolume::GetDefragmentedFiles(int64_t* value)
{
    SIM_ENTER("GetDefragmentedFiles");
    int64_t moved = 0;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        for (uint8_t block : state->disk.blocks) moved += block == kSimDefragmented ? 7 : 0;
    }
    return AnswerNumber<int64_t>(L"GetDefragmentedFiles", moved, value);
}

HRESULT __stdcall SimVolume::GetTotalFragments(int64_t* value)
{
    SIM_ENTER("GetTotalFragments");
    return AnswerNumber<int64_t>(L"GetTotalFragments", StatsOf(*state).fragmented_blocks * 21,
                                 value);
}

HRESULT __stdcall SimVolume::GetSkippedFiles(int64_t* value)
{
    SIM_ENTER("GetSkippedFiles");
    return AnswerNumber<int64_t>(L"GetSkippedFiles", 0, value);
}

HRESULT __stdcall SimVolume::GetFragmentedSize(int64_t* value)
{
    SIM_ENTER("GetFragmentedSize");
    return AnswerNumber<int64_t>(L"GetFragmentedSize",
                                 StatsOf(*state).fragmented_clusters * kBytesPerCluster, value);
}

HRESULT __stdcall SimVolume::GetNondefragmentedSize(int64_t* value)
{
    SIM_ENTER("GetNondefragmentedSize");
    return AnswerNumber<int64_t>(L"GetNondefragmentedSize", 0, value);
}

HRESULT __stdcall SimVolume::GetCurrentFile(BSTR* text)
{
    SIM_ENTER("GetCurrentFile");
    std::wstring file;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        file = state->current_file;
    }
    return AnswerText(file, text);
}

HRESULT __stdcall SimVolume::GetPercentDone(int32_t* value)
{
    SIM_ENTER("GetPercentDone");
    int32_t percent;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        percent = state->percent;
    }
    return AnswerNumber<int32_t>(L"GetPercentDone", percent, value);
}

HRESULT __stdcall SimVolume::GetAccessStatus(int32_t* value)
{
    SIM_ENTER("GetAccessStatus");
    return AnswerNumber<int32_t>(L"GetAccessStatus", opened ? 1 : 0, value);
}

HRESULT __stdcall SimVolume::Reserved22() { SIM_ENTER("Reserved22"); return S_OK; }
HRESULT __stdcall SimVolume::Reserved23() { SIM_ENTER("Reserved23"); return S_OK; }
HRESULT __stdcall SimVolume::Reserved30() { SIM_ENTER("Reserved30"); return S_OK; }
HRESULT __stdcall SimVolume::Reserved33() { SIM_ENTER("Reserved33"); return S_OK; }
HRESULT __stdcall SimVolume::Reserved38() { SIM_ENTER("Reserved38"); return S_OK; }
HRESULT __stdcall SimVolume::Reserved49() { SIM_ENTER("Reserved49"); return S_OK; }
HRESULT __stdcall SimVolume::Reserved62() { SIM_ENTER("Reserved62"); return S_OK; }
HRESULT __stdcall SimVolume::Reserved63() { SIM_ENTER("Reserved63"); return S_OK; }

// --- Options -------------------------------------------------------------------

HRESULT __stdcall SimVolume::GetReportFile(BSTR* text)
{
    SIM_ENTER("GetReportFile");
    return AnswerText(report_file, text);
}

HRESULT __stdcall SimVolume::SetReportFile(const wchar_t* text)
{
    SIM_ENTER("SetReportFile");
    report_file = text ? text : L"";
    SetSimText(L"last_report_file", report_file);
    return S_OK;
}

HRESULT __stdcall SimVolume::GetDefragPriority(int32_t* value)
{
    SIM_ENTER("GetDefragPriority");
    return AnswerNumber<int32_t>(L"GetDefragPriority", priority, value);
}

HRESULT __stdcall SimVolume::SetDefragPriority(int32_t value)
{
    SIM_ENTER("SetDefragPriority");
    priority = value;
    SetSimValue(L"last_priority", value);
    return S_OK;
}

HRESULT __stdcall SimVolume::GetFileMask(BSTR* text)
{
    SIM_ENTER("GetFileMask");
    return AnswerText(file_mask, text);
}

HRESULT __stdcall SimVolume::SetFileMask(const wchar_t* text)
{
    SIM_ENTER("SetFileMask");
    file_mask = text ? text : L"";
    SetSimText(L"last_file_mask", file_mask);
    return S_OK;
}

HRESULT __stdcall SimVolume::GetFragmentation(int32_t* value)
{
    SIM_ENTER("GetFragmentation");
    SimStats stats = StatsOf(*state);
    int32_t level = stats.used_blocks
                        ? static_cast<int32_t>(stats.fragmented_blocks * 100 / stats.used_blocks)
                        : 0;
    return AnswerNumber<int32_t>(L"GetFragmentation", level, value);
}

HRESULT __stdcall SimVolume::GetExclusionList(IExclusionList** list)
{
    SIM_ENTER("GetExclusionList");
    if (!list) return E_POINTER;
    exclusions->AddRef();
    *list = exclusions;
    return S_OK;
}

HRESULT __stdcall SimVolume::GetSkipFragments(int32_t* value)
{
    SIM_ENTER("GetSkipFragments");
    return AnswerNumber<int32_t>(L"GetSkipFragments", skip_fragments, value);
}

HRESULT __stdcall SimVolume::SetSkipFragments(uint8_t skip)
{
    SIM_ENTER("SetSkipFragments");
    skip_fragments = skip;
    SetSimValue(L"last_skip_fragments", skip);
    return S_OK;
}

HRESULT __stdcall SimVolume::GetFragmentSize(int64_t* value)
{
    SIM_ENTER("GetFragmentSize");
    return AnswerNumber<int64_t>(L"GetFragmentSize", fragment_size, value);
}

HRESULT __stdcall SimVolume::SetFragmentSize(int64_t size)
{
    SIM_ENTER("SetFragmentSize");
    fragment_size = size;
    SetSimValue(L"last_fragment_size", size);
    return S_OK;
}

// --- Run state -------------------------------------------------------------------

HRESULT __stdcall SimVolume::GetInDefrag(int32_t* value)
{
    SIM_ENTER("GetInDefrag");
    return AnswerFlag(L"GetInDefrag", &SimVolumeState::in_defrag, value);
}

HRESULT __stdcall SimVolume::GetSuspendedDefrag(int32_t* value)
{
    SIM_ENTER("GetSuspendedDefrag");
    return AnswerFlag(L"GetSuspendedDefrag", &SimVolumeState::paused, value);
}

HRESULT __stdcall SimVolume::GetTerminatedDefrag(int32_t* value)
{
    SIM_ENTER("GetTerminatedDefrag");
    return AnswerFlag(L"GetTerminatedDefrag", &SimVolumeState::terminated_defrag, value);
}

HRESULT __stdcall SimVolume::GetDefragComplete(int32_t* value)
{
    SIM_ENTER("GetDefragComplete");
    return AnswerFlag(L"GetDefragComplete", &SimVolumeState::defrag_complete, value);
}

HRESULT __stdcall SimVolume::GetInAnalyze(int32_t* value)
{
    SIM_ENTER("GetInAnalyze");
    return AnswerFlag(L"GetInAnalyze", &SimVolumeState::in_analyze, value);
}

HRESULT __stdcall SimVolume::GetSuspendedAnalyze(int32_t* value)
{
    SIM_ENTER("GetSuspendedAnalyze");
    return AnswerFlag(L"GetSuspendedAnalyze", &SimVolumeState::paused, value);
}

HRESULT __stdcall SimVolume::GetTerminatedAnalyze(int32_t* value)
{
    SIM_ENTER("GetTerminatedAnalyze");
    return AnswerFlag(L"GetTerminatedAnalyze", &SimVolumeState::terminated_analyze, value);
}

HRESULT __stdcall SimVolume::GetAnalyzeComplete(int32_t* value)
{
    SIM_ENTER("GetAnalyzeComplete");
    return AnswerFlag(L"GetAnalyzeComplete", &SimVolumeState::analyze_complete, value);
}

// --- Actions ---------------------------------------------------------------------

HRESULT __stdcall SimVolume::OpenVolume()
{
    SIM_ENTER("OpenVolume");
    opened = true;
    return S_OK;
}

HRESULT __stdcall SimVolume::UpdateVolumeInfo()
{
    SIM_ENTER("UpdateVolumeInfo");
    return S_OK;
}

HRESULT __stdcall SimVolume::StartDefrag(int32_t mode, uint8_t flag)
{
    SIM_ENTER("StartDefrag");
    SetSimValue(L"last_defrag_mode", mode);
    SetSimValue(L"last_start_flag", flag);
    RequestSimRun(state, worker, SimRunKind::kDefrag);
    return S_OK;
}

HRESULT __stdcall SimVolume::StopDefrag()
{
    SIM_ENTER("StopDefrag");
    StopSimRun(*state);
    return S_OK;
}

HRESULT __stdcall SimVolume::ResumeDefrag()
{
    SIM_ENTER("ResumeDefrag");
    return SetPaused(false);
}

HRESULT __stdcall SimVolume::PauseDefrag()
{
    SIM_ENTER("PauseDefrag");
    return SetPaused(true);
}

HRESULT __stdcall SimVolume::StartAnalyze(const wchar_t* text, uint8_t flag)
{
    SIM_ENTER("StartAnalyze");
    SetSimText(L"last_start_text", text ? text : L"<null>");
    SetSimValue(L"last_start_flag", flag);
    RequestSimRun(state, worker, SimRunKind::kAnalyze);
    return S_OK;
}

HRESULT __stdcall SimVolume::StopAnalyze()
{
    SIM_ENTER("StopAnalyze");
    StopSimRun(*state);
    return S_OK;
}

HRESULT __stdcall SimVolume::ResumeAnalyze()
{
    SIM_ENTER("ResumeAnalyze");
    return SetPaused(false);
}

HRESULT __stdcall SimVolume::PauseAnalyze()
{
    SIM_ENTER("PauseAnalyze");
    return SetPaused(true);
}

HRESULT __stdcall SimVolume::isGUI(int32_t* value)
{
    SIM_ENTER("isGUI");
    return AnswerNumber<int32_t>(L"isGUI", 0, value);
}

HRESULT __stdcall SimVolume::GetThreadHandle(int32_t* value)
{
    SIM_ENTER("GetThreadHandle");
    return AnswerNumber<int32_t>(L"GetThreadHandle", worker.joinable() ? 1 : 0, value);
}

HRESULT __stdcall SimVolume::ForceTerminate()
{
    SIM_ENTER("ForceTerminate");
    StopSimRun(*state);
    return S_OK;
}

HRESULT __stdcall SimVolume::GenerateHtmlReport()
{
    SIM_ENTER("GenerateHtmlReport");
    return S_OK;
}
