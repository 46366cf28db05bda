// The counting engine (test code): see counting_engine.h.

#include "tests/TidewellLink/counting_engine.h"

#include <string>
#include <type_traits>
#include <vector>

namespace {

CountingEngineState g_state;

// IUnknown over one of the state's counts; the object itself is never freed.
template <class Interface, const GUID& iid, LONG CountingEngineState::*references>
class Counted : public Interface {
 public:
  HRESULT __stdcall QueryInterface(REFIID asked, void** object) override {
    if (!object) return E_POINTER;
    *object = IsEqualGUID(asked, iid) || IsEqualGUID(asked, IID_IUnknown) ? this : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() override { return InterlockedIncrement(&(g_state.*references)); }
  ULONG __stdcall Release() override { return InterlockedDecrement(&(g_state.*references)); }
};

class CountingList final
    : public Counted<IExclusionList, kIID_IExclusionList, &CountingEngineState::list_references> {
 public:
  HRESULT __stdcall GetCount(int32_t* count) override {
    *count = static_cast<int32_t>(items.size());
    return S_OK;
  }
  HRESULT __stdcall GetItem(int32_t index, BSTR* text) override {
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return E_INVALIDARG;
    *text = SysAllocString(items[index].c_str());
    return S_OK;
  }
  HRESULT __stdcall Clear() override {
    items.clear();
    return S_OK;
  }
  HRESULT __stdcall Add(const wchar_t* text) override {
    items.push_back(text);
    return S_OK;
  }

 private:
  std::vector<std::wstring> items;
};

CountingList g_list;

// Only the reference counting and the exclusion list work; the bridge forwards
// nothing else in the reference tests.
#define TW_NOT_COUNTED(name, params) \
  HRESULT __stdcall name params override { return E_NOTIMPL; }

class CountingVolume final
    : public Counted<IVolume, kIID_IVolume, &CountingEngineState::volume_references> {
 public:
  HRESULT __stdcall GetExclusionList(IExclusionList** list) override {
    *list = &g_list;  // the volume's own: not counted for the caller
    return S_OK;
  }

  TW_NOT_COUNTED(GetDriveName, (BSTR*))
  TW_NOT_COUNTED(GetDisplayName, (BSTR*))
  TW_NOT_COUNTED(GetVolumeLabel, (BSTR*))
  TW_NOT_COUNTED(GetFileSystemName, (BSTR*))
  TW_NOT_COUNTED(GetBytesPerSector, (int32_t*))
  TW_NOT_COUNTED(GetSectorsPerCluster, (int32_t*))
  TW_NOT_COUNTED(GetDiskSize, (int64_t*))
  TW_NOT_COUNTED(GetFreeSize, (int64_t*))
  TW_NOT_COUNTED(GetUsedSize, (int64_t*))
  TW_NOT_COUNTED(GetTotalClusters, (int64_t*))
  TW_NOT_COUNTED(GetTotalDirs, (int64_t*))
  TW_NOT_COUNTED(GetTotalFiles, (int64_t*))
  TW_NOT_COUNTED(GetFragmentedFiles, (int64_t*))
  TW_NOT_COUNTED(GetDefragmentedFiles, (int64_t*))
  TW_NOT_COUNTED(GetTotalFragments, (int64_t*))
  TW_NOT_COUNTED(GetSkippedFiles, (int64_t*))
  TW_NOT_COUNTED(GetFragmentedSize, (int64_t*))
  TW_NOT_COUNTED(GetNondefragmentedSize, (int64_t*))
  TW_NOT_COUNTED(GetCurrentFile, (BSTR*))
  TW_NOT_COUNTED(GetPercentDone, (int32_t*))
  TW_NOT_COUNTED(GetAccessStatus, (int32_t*))
  TW_NOT_COUNTED(Reserved22, ())
  TW_NOT_COUNTED(Reserved23, ())
  TW_NOT_COUNTED(GetReportFile, (BSTR*))
  TW_NOT_COUNTED(SetReportFile, (const wchar_t*))
  TW_NOT_COUNTED(GetDefragPriority, (int32_t*))
  TW_NOT_COUNTED(SetDefragPriority, (int32_t))
  TW_NOT_COUNTED(GetFileMask, (BSTR*))
  TW_NOT_COUNTED(SetFileMask, (const wchar_t*))
  TW_NOT_COUNTED(Reserved30, ())
  TW_NOT_COUNTED(GetFragmentation, (int32_t*))
  TW_NOT_COUNTED(Reserved33, ())
  TW_NOT_COUNTED(GetSkipFragments, (int32_t*))
  TW_NOT_COUNTED(SetSkipFragments, (uint8_t))
  TW_NOT_COUNTED(GetFragmentSize, (int64_t*))
  TW_NOT_COUNTED(SetFragmentSize, (int64_t))
  TW_NOT_COUNTED(Reserved38, ())
  TW_NOT_COUNTED(GetInDefrag, (int32_t*))
  TW_NOT_COUNTED(GetSuspendedDefrag, (int32_t*))
  TW_NOT_COUNTED(GetTerminatedDefrag, (int32_t*))
  TW_NOT_COUNTED(GetDefragComplete, (int32_t*))
  TW_NOT_COUNTED(GetInAnalyze, (int32_t*))
  TW_NOT_COUNTED(GetSuspendedAnalyze, (int32_t*))
  TW_NOT_COUNTED(GetTerminatedAnalyze, (int32_t*))
  TW_NOT_COUNTED(GetAnalyzeComplete, (int32_t*))
  TW_NOT_COUNTED(OpenVolume, ())
  TW_NOT_COUNTED(UpdateVolumeInfo, ())
  TW_NOT_COUNTED(Reserved49, ())
  TW_NOT_COUNTED(StartDefrag, (int32_t, uint8_t))
  TW_NOT_COUNTED(StopDefrag, ())
  TW_NOT_COUNTED(ResumeDefrag, ())
  TW_NOT_COUNTED(PauseDefrag, ())
  TW_NOT_COUNTED(StartAnalyze, (const wchar_t*, uint8_t))
  TW_NOT_COUNTED(StopAnalyze, ())
  TW_NOT_COUNTED(ResumeAnalyze, ())
  TW_NOT_COUNTED(PauseAnalyze, ())
  TW_NOT_COUNTED(isGUI, (int32_t*))
  TW_NOT_COUNTED(GetThreadHandle, (int32_t*))
  TW_NOT_COUNTED(ForceTerminate, ())
  TW_NOT_COUNTED(GenerateHtmlReport, ())
  TW_NOT_COUNTED(Reserved62, ())
  TW_NOT_COUNTED(Reserved63, ())
};

CountingVolume g_volume;

}  // namespace

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetVolumeIntf(const wchar_t*, ICallback* callback, IVolume** volume, int32_t) {
  g_state.volume_references = g_state.counts_stored_volume ? 2 : 1;
  g_state.list_references = 1;
  g_state.callback = callback;
  callback->AddRef();
  callback->AddRef();
  *volume = &g_volume;
  return S_OK;
}

extern "C" __declspec(dllexport) CountingEngineState* __stdcall CountingEngine() {
  return &g_state;
}

static_assert(std::is_same<decltype(&GetVolumeIntf), GetVolumeIntfProc>::value,
              "the bridge's view of the export");
static_assert(std::is_same<decltype(&CountingEngine), CountingEngineProc>::value, "");
