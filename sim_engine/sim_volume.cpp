// SimVolume, the simulated engine's IVolume (every one of the 63 slots), and
// the exclusion list each volume owns.

#include "sim_engine/sim_volume.h"

#include "TidewellLink/com_object.h"
#include "sim_engine/sim_config.h"
#include "sim_engine/sim_run.h"

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

const int64_t kBytesPerCluster = 4096;

template <class T>
HRESULT AnswerNumber(const wchar_t* method, T value, T* out) {
  if (!out) return E_POINTER;
  int64_t fixed = 0;
  *out = FixedSimValue(method, &fixed) ? static_cast<T>(fixed) : value;
  return S_OK;
}

HRESULT AnswerText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  switch (CurrentSimConfig()->text_mode) {
    case SimTextMode::Null:
      *out = nullptr;
      break;
    case SimTextMode::Empty:
      *out = SysAllocString(L"");
      break;
    default:
      *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      break;
  }
  return S_OK;
}

// Each simulated method: the configured failure first, then its work.
#define SIM_METHOD(Method, Parameter, ...)       \
  HRESULT __stdcall Method(Parameter) override { \
    SIM_ENTER(#Method);                          \
    __VA_ARGS__;                                 \
    return S_OK;                                 \
  }
#define SIM_NUMBER(Method, Type, value_expression) \
  SIM_METHOD(Method, Type* value, return AnswerNumber<Type>(L"" #Method, (value_expression), value))
#define SIM_TEXT(Method, text_expression) \
  SIM_METHOD(Method, BSTR* text, return AnswerText((text_expression), text))
#define SIM_ACTION(Method, ...) SIM_METHOD(Method, , __VA_ARGS__)
#define SIM_SET_TEXT(Method, member) \
  SIM_METHOD(Method, const wchar_t* text, if (!text) return E_POINTER; member = text)

class SimExclusionList final : public ComObject<IExclusionList, kIID_IExclusionList> {
 public:
  explicit SimExclusionList(std::vector<std::wstring> items)
      : ComObject(1), items(std::move(items)) {}

  SIM_METHOD(GetCount, int32_t* count, if (!count) return E_POINTER;
             std::lock_guard<std::mutex> guard(lock); *count = static_cast<int32_t>(items.size()))
  SIM_METHOD(Clear, , std::lock_guard<std::mutex> guard(lock); items.clear())
  SIM_METHOD(Add, const wchar_t* text, if (!text) return E_POINTER;
             std::lock_guard<std::mutex> guard(lock); items.push_back(text))

  HRESULT __stdcall GetItem(int32_t index, BSTR* text) override {
    SIM_ENTER("GetItem");
    if (!text) return E_POINTER;
    std::lock_guard<std::mutex> guard(lock);
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return E_INVALIDARG;
    *text = SysAllocStringLen(items[index].data(), static_cast<UINT>(items[index].size()));
    return S_OK;
  }

 private:
  std::mutex lock;
  std::vector<std::wstring> items;
};

class SimVolume final : public ComObject<IVolume, kIID_IVolume> {
 public:
  // Holds a reference to callback (may be NULL) while the volume lives. The
  // engine keeps no pointer to its volumes and does not count the one it hands
  // out: the volume lives from its holder's first reference to the last Release.
  SimVolume(const wchar_t* drive_name, ICallback* callback)
      : ComObject(0),
        state(std::make_shared<SimVolumeState>(drive_name ? drive_name : L"", callback,
                                               CurrentSimConfig()->clusters)),
        exclusions(new SimExclusionList(CurrentSimConfig()->exclusions)) {
    AddSimCounter(L"volumes_alive", 1);
  }

  ULONG __stdcall Release() override  // can be made to fail
  {
    SIM_ENTER("Release");
    return ComObject::Release();
  }

  // Volume information
  SIM_TEXT(GetDriveName, state->drive)
  SIM_TEXT(GetDisplayName,
           L"Simulated disk (" + (state->drive.empty() ? L"C" : state->drive.substr(0, 1)) + L":)")
  SIM_TEXT(GetVolumeLabel, L"Simulated disk")
  SIM_TEXT(GetFileSystemName, L"NTFS")
  SIM_NUMBER(GetBytesPerSector, int32_t, 512)
  SIM_NUMBER(GetSectorsPerCluster, int32_t, kBytesPerCluster / 512)
  SIM_NUMBER(GetDiskSize, int64_t, CountDisk().clusters* kBytesPerCluster)
  SIM_NUMBER(GetFreeSize, int64_t,
             (CountDisk().clusters - CountDisk().used_clusters) * kBytesPerCluster)
  SIM_NUMBER(GetUsedSize, int64_t, CountDisk().used_clusters* kBytesPerCluster)
  SIM_NUMBER(GetTotalClusters, int64_t, CountDisk().clusters)
  SIM_NUMBER(GetTotalDirs, int64_t, CountDisk().used_blocks * 3)
  SIM_NUMBER(GetTotalFiles, int64_t, CountDisk().used_blocks * 40)
  SIM_NUMBER(GetFragmentedFiles, int64_t, CountDisk().fragmented_blocks * 7)
  SIM_NUMBER(GetDefragmentedFiles, int64_t, CountDisk().defragmented_blocks * 7)
  SIM_NUMBER(GetTotalFragments, int64_t, CountDisk().fragmented_blocks * 21)
  SIM_NUMBER(GetSkippedFiles, int64_t, 0)
  SIM_NUMBER(GetFragmentedSize, int64_t, CountDisk().fragmented_clusters* kBytesPerCluster)
  SIM_NUMBER(GetNondefragmentedSize, int64_t, 0)
  SIM_TEXT(GetCurrentFile, Locked([&] { return state->current_file; }))
  SIM_NUMBER(GetPercentDone, int32_t, Locked([&] { return state->percent; }))
  SIM_NUMBER(GetAccessStatus, int32_t, opened ? 1 : 0)
  SIM_ACTION(Reserved22, )
  SIM_ACTION(Reserved23, )

  // Options
  SIM_TEXT(GetReportFile, report_file)
  SIM_SET_TEXT(SetReportFile, report_file)
  SIM_NUMBER(GetDefragPriority, int32_t, priority)
  SIM_METHOD(SetDefragPriority, int32_t value, priority = value)
  SIM_TEXT(GetFileMask, file_mask)
  SIM_SET_TEXT(SetFileMask, file_mask)
  SIM_ACTION(Reserved30, )
  SIM_NUMBER(GetFragmentation, int32_t,
             CountDisk().used_blocks ? static_cast<int32_t>(CountDisk().fragmented_blocks * 100 /
                                                            CountDisk().used_blocks)
                                     : 0)
  // The list stays the volume's: handed out without a reference.
  SIM_METHOD(GetExclusionList, IExclusionList** list, if (!list) return E_POINTER;
             *list = exclusions)
  SIM_ACTION(Reserved33, )
  SIM_NUMBER(GetSkipFragments, int32_t, skip_fragments)
  SIM_METHOD(SetSkipFragments, uint8_t skip, skip_fragments = skip;
             SetSimValue(L"last_skip_fragments", skip))
  SIM_NUMBER(GetFragmentSize, int64_t, fragment_size)
  SIM_METHOD(SetFragmentSize, int64_t size, fragment_size = size)
  SIM_ACTION(Reserved38, )

  // Run state
  SIM_NUMBER(GetInDefrag, int32_t, Flag(&SimVolumeState::in_defrag))
  SIM_NUMBER(GetSuspendedDefrag, int32_t, Flag(&SimVolumeState::paused))
  SIM_NUMBER(GetTerminatedDefrag, int32_t, Flag(&SimVolumeState::terminated_defrag))
  SIM_NUMBER(GetDefragComplete, int32_t, Flag(&SimVolumeState::defrag_complete))
  SIM_NUMBER(GetInAnalyze, int32_t, Flag(&SimVolumeState::in_analyze))
  SIM_NUMBER(GetSuspendedAnalyze, int32_t, Flag(&SimVolumeState::paused))
  SIM_NUMBER(GetTerminatedAnalyze, int32_t, Flag(&SimVolumeState::terminated_analyze))
  SIM_NUMBER(GetAnalyzeComplete, int32_t, Flag(&SimVolumeState::analyze_complete))

  // Actions
  SIM_ACTION(OpenVolume, opened = true)
  SIM_ACTION(UpdateVolumeInfo, )
  SIM_ACTION(Reserved49, )

  HRESULT __stdcall StartDefrag(int32_t mode, uint8_t flag) override {
    SIM_ENTER("StartDefrag");
    SetSimValue(L"last_defrag_mode", mode);
    SetSimValue(L"last_start_flag", flag);
    RequestSimRun(state, worker, SimRunKind::Defrag);
    return S_OK;
  }

  SIM_ACTION(StopDefrag, StopSimRun(*state))
  SIM_ACTION(ResumeDefrag, SetPaused(false))
  SIM_ACTION(PauseDefrag, SetPaused(true))

  HRESULT __stdcall StartAnalyze(const wchar_t* text, uint8_t flag) override {
    SIM_ENTER("StartAnalyze");
    if (!text) return E_POINTER;
    SetSimValue(L"last_start_flag", flag);
    RequestSimRun(state, worker, SimRunKind::Analyze);
    return S_OK;
  }

  SIM_ACTION(StopAnalyze, StopSimRun(*state))
  SIM_ACTION(ResumeAnalyze, SetPaused(false))
  SIM_ACTION(PauseAnalyze, SetPaused(true))
  SIM_NUMBER(isGUI, int32_t, 0)
  SIM_NUMBER(GetThreadHandle, int32_t, worker.joinable() ? 1 : 0)
  SIM_ACTION(ForceTerminate, StopSimRun(*state))
  SIM_ACTION(GenerateHtmlReport, )
  SIM_ACTION(Reserved62, )
  SIM_ACTION(Reserved63, )

 private:
  ~SimVolume() {
    EndSimWorker(*state, worker);
    exclusions->Release();
    AddSimCounter(L"volumes_alive", -1);
  }

  struct Stats {
    int64_t clusters, used_clusters, fragmented_clusters, used_blocks, fragmented_blocks,
        defragmented_blocks;
  };
  Stats CountDisk() const {
    std::lock_guard<std::mutex> guard(state->lock);
    const SimDisk& disk = state->disk;
    SimDiskStats counted = CountSimDisk(disk);
    int64_t defragmented = 0;
    for (uint8_t block : disk.blocks) defragmented += block == SimDefragmented ? 1 : 0;
    return Stats{disk.clusters,
                 counted.used_blocks * disk.block_clusters,
                 counted.fragmented_blocks * disk.block_clusters,
                 counted.used_blocks,
                 counted.fragmented_blocks,
                 defragmented};
  }
  // read() under the run state's lock.
  template <class Read>
  auto Locked(Read read) const -> decltype(read()) {
    std::lock_guard<std::mutex> guard(state->lock);
    return read();
  }
  int32_t Flag(bool SimVolumeState::*flag) const {
    return Locked([&] { return (*state).*flag; }) ? 1 : 0;
  }
  void SetPaused(bool paused) {
    Locked([&] { state->paused = paused; });
    state->wake.notify_all();
  }

  std::shared_ptr<SimVolumeState> state;
  std::thread worker;
  SimExclusionList* exclusions;
  bool opened = false;
  std::wstring report_file, file_mask;
  int32_t priority = 3, skip_fragments = 0;
  int64_t fragment_size = 0;
};

}  // namespace

IVolume* NewSimVolume(const wchar_t* drive_name, ICallback* callback) {
  return new SimVolume(drive_name, callback);
}
