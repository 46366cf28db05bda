#include "sim_engine/sim_volume.h"

#include "sim_engine/sim_config.h"
#include "sim_engine/sim_counters.h"

namespace {

const int64_t kBytesPerCluster = 4096;

template <class T>
HRESULT AnswerNumber(const wchar_t* method, T value, T* out)
{
    if (!out) return E_POINTER;
    int64_t fixed = 0;
    *out = FixedSimValue(method, &fixed) ? static_cast<T>(fixed) : value;
    return S_OK;
}

HRESULT AnswerText(const std::wstring& text, BSTR* out)
{
    if (!out) return E_POINTER;
    switch (CurrentSimConfig()->text_mode) {
    case SimTextMode::kNull: *out = nullptr; break;
    case SimTextMode::kEmpty: *out = SysAllocString(L""); break;
    default: *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); break;
    }
    return S_OK;
}

}  // namespace

// Each simulated method: the configured failure first, then its answer.
#define SIM_NUMBER(Method, Type, value_expression)                          \
    HRESULT __stdcall SimVolume::Method(Type* value)                        \
    {                                                                       \
        SIM_ENTER(#Method);                                                 \
        return AnswerNumber<Type>(L"" #Method, (value_expression), value);  \
    }
#define SIM_TEXT(Method, text_expression)          \
    HRESULT __stdcall SimVolume::Method(BSTR* text) \
    {                                               \
        SIM_ENTER(#Method);                         \
        return AnswerText((text_expression), text); \
    }
#define SIM_ACTION(Method, statement)     \
    HRESULT __stdcall SimVolume::Method() \
    {                                     \
        SIM_ENTER(#Method);               \
        statement;                        \
        return S_OK;                      \
    }

SimVolume::SimVolume(const wchar_t* drive_name, ICallback* callback)
    : ComObject(1),
      state(std::make_shared<SimVolumeState>(drive_name ? drive_name : L"", callback,
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

ULONG __stdcall SimVolume::Release()
{
    SIM_ENTER("Release");
    return ComObject::Release();
}

SimVolume::Stats SimVolume::CountDisk() const
{
    std::lock_guard<std::mutex> guard(state->lock);
    const SimDisk& disk = state->disk;
    SimDiskStats counted = CountSimDisk(disk);
    int64_t defragmented = 0;
    for (uint8_t block : disk.blocks) defragmented += block == kSimDefragmented ? 1 : 0;
    return Stats{disk.clusters,
                 counted.used_blocks * disk.block_clusters,
                 counted.fragmented_blocks * disk.block_clusters,
                 counted.used_blocks,
                 counted.fragmented_blocks,
                 defragmented};
}

int32_t SimVolume::Flag(bool SimVolumeState::*flag) const
{
    std::lock_guard<std::mutex> guard(state->lock);
    return (*state).*flag ? 1 : 0;
}

std::wstring SimVolume::CurrentFile() const
{
    std::lock_guard<std::mutex> guard(state->lock);
    return state->current_file;
}

int32_t SimVolume::Percent() const
{
    std::lock_guard<std::mutex> guard(state->lock);
    return state->percent;
}

void SimVolume::SetPaused(bool paused)
{
    {
        std::lock_guard<std::mutex> guard(state->lock);
        state->paused = paused;
    }
    state->wake.notify_all();
}

// --- Volume information ------------------------------------------------------

SIM_TEXT(GetDriveName, state->drive)
SIM_TEXT(GetDisplayName,
         L"Simulated disk (" + (state->drive.empty() ? L"C" : state->drive.substr(0, 1)) + L":)")
SIM_TEXT(GetVolumeLabel, L"Simulated disk")
SIM_TEXT(GetFileSystemName, L"NTFS")
SIM_NUMBER(GetBytesPerSector, int32_t, 512)
SIM_NUMBER(GetSectorsPerCluster, int32_t, kBytesPerCluster / 512)
SIM_NUMBER(GetDiskSize, int64_t, CountDisk().clusters * kBytesPerCluster)
SIM_NUMBER(GetFreeSize, int64_t,
           (CountDisk().clusters - CountDisk().used_clusters) * kBytesPerCluster)
SIM_NUMBER(GetUsedSize, int64_t, CountDisk().used_clusters * kBytesPerCluster)
SIM_NUMBER(GetTotalClusters, int64_t, CountDisk().clusters)
SIM_NUMBER(GetTotalDirs, int64_t, CountDisk().used_blocks * 3)
SIM_NUMBER(GetTotalFiles, int64_t, CountDisk().used_blocks * 40)
SIM_NUMBER(GetFragmentedFiles, int64_t, CountDisk().fragmented_blocks * 7)
SIM_NUMBER(GetDefragmentedFiles, int64_t, CountDisk().defragmented_blocks * 7)
SIM_NUMBER(GetTotalFragments, int64_t, CountDisk().fragmented_blocks * 21)
SIM_NUMBER(GetSkippedFiles, int64_t, 0)
SIM_NUMBER(GetFragmentedSize, int64_t, CountDisk().fragmented_clusters * kBytesPerCluster)
SIM_NUMBER(GetNondefragmentedSize, int64_t, 0)
SIM_TEXT(GetCurrentFile, CurrentFile())
SIM_NUMBER(GetPercentDone, int32_t, Percent())
SIM_NUMBER(GetAccessStatus, int32_t, opened ? 1 : 0)
SIM_ACTION(Reserved22, )
SIM_ACTION(Reserved23, )
SIM_ACTION(Reserved30, )
SIM_ACTION(Reserved33, )
SIM_ACTION(Reserved38, )
SIM_ACTION(Reserved49, )
SIM_ACTION(Reserved62, )
SIM_ACTION(Reserved63, )

// --- Options -------------------------------------------------------------------

SIM_TEXT(GetReportFile, report_file)

HRESULT __stdcall SimVolume::SetReportFile(const wchar_t* text)
{
    SIM_ENTER("SetReportFile");
    if (!text) return E_POINTER;
    report_file = text;
    return S_OK;
}

SIM_NUMBER(GetDefragPriority, int32_t, priority)

HRESULT __stdcall SimVolume::SetDefragPriority(int32_t value)
{
    SIM_ENTER("SetDefragPriority");
    priority = value;
    return S_OK;
}

SIM_TEXT(GetFileMask, file_mask)

HRESULT __stdcall SimVolume::SetFileMask(const wchar_t* text)
{
    SIM_ENTER("SetFileMask");
    if (!text) return E_POINTER;
    file_mask = text;
    return S_OK;
}

SIM_NUMBER(GetFragmentation, int32_t,
           CountDisk().used_blocks
               ? static_cast<int32_t>(CountDisk().fragmented_blocks * 100 / CountDisk().used_blocks)
               : 0)

HRESULT __stdcall SimVolume::GetExclusionList(IExclusionList** list)
{
    SIM_ENTER("GetExclusionList");
    if (!list) return E_POINTER;
    exclusions->AddRef();
    *list = exclusions;
    return S_OK;
}

SIM_NUMBER(GetSkipFragments, int32_t, skip_fragments)

HRESULT __stdcall SimVolume::SetSkipFragments(uint8_t skip)
{
    SIM_ENTER("SetSkipFragments");
    skip_fragments = skip;
    SetSimValue(L"last_skip_fragments", skip);
    return S_OK;
}

SIM_NUMBER(GetFragmentSize, int64_t, fragment_size)

HRESULT __stdcall SimVolume::SetFragmentSize(int64_t size)
{
    SIM_ENTER("SetFragmentSize");
    fragment_size = size;
    return S_OK;
}

// --- Run state -------------------------------------------------------------------

SIM_NUMBER(GetInDefrag, int32_t, Flag(&SimVolumeState::in_defrag))
SIM_NUMBER(GetSuspendedDefrag, int32_t, Flag(&SimVolumeState::paused))
SIM_NUMBER(GetTerminatedDefrag, int32_t, Flag(&SimVolumeState::terminated_defrag))
SIM_NUMBER(GetDefragComplete, int32_t, Flag(&SimVolumeState::defrag_complete))
SIM_NUMBER(GetInAnalyze, int32_t, Flag(&SimVolumeState::in_analyze))
SIM_NUMBER(GetSuspendedAnalyze, int32_t, Flag(&SimVolumeState::paused))
SIM_NUMBER(GetTerminatedAnalyze, int32_t, Flag(&SimVolumeState::terminated_analyze))
SIM_NUMBER(GetAnalyzeComplete, int32_t, Flag(&SimVolumeState::analyze_complete))

// --- Actions ---------------------------------------------------------------------

SIM_ACTION(OpenVolume, opened = true)
SIM_ACTION(UpdateVolumeInfo, )

HRESULT __stdcall SimVolume::StartDefrag(int32_t mode, uint8_t flag)
{
    SIM_ENTER("StartDefrag");
    SetSimValue(L"last_defrag_mode", mode);
    SetSimValue(L"last_start_flag", flag);
    RequestSimRun(state, worker, SimRunKind::kDefrag);
    return S_OK;
}

SIM_ACTION(StopDefrag, StopSimRun(*state))
SIM_ACTION(ResumeDefrag, SetPaused(false))
SIM_ACTION(PauseDefrag, SetPaused(true))

HRESULT __stdcall SimVolume::StartAnalyze(const wchar_t* text, uint8_t flag)
{
    SIM_ENTER("StartAnalyze");
    if (!text) return E_POINTER;
    SetSimValue(L"last_start_flag", flag);
    RequestSimRun(state, worker, SimRunKind::kAnalyze);
    return S_OK;
}

SIM_ACTION(StopAnalyze, StopSimRun(*state))
SIM_ACTION(ResumeAnalyze, SetPaused(false))
SIM_ACTION(PauseAnalyze, SetPaused(true))
SIM_NUMBER(isGUI, int32_t, 0)
SIM_NUMBER(GetThreadHandle, int32_t, worker.joinable() ? 1 : 0)
SIM_ACTION(ForceTerminate, StopSimRun(*state))
SIM_ACTION(GenerateHtmlReport, )
