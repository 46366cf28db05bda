// The library's 58 exported functions (names, ordinals and signatures come
// from link_exports.h; the .def file is generated from the same table).

#include "TidewellLink/exclusion_text.h"
#include "TidewellLink/forwarding.h"
#include "TidewellLink/link_types.h"

#include <string>

#define TW_LINK_DECLARE_EXPORT(name, ordinal, result, params, args, fallback) \
  extern "C" result __stdcall name params;
TW_LINK_EXPORTS(TW_LINK_DECLARE_EXPORT)
#undef TW_LINK_DECLARE_EXPORT

// --- Handles -----------------------------------------------------------------

extern "C" int32_t __stdcall GetVolumeHandle(const wchar_t* DriveName,
                                             ProgressCallback progress_callback,
                                             ClusterRangeCallback clusters_callback,
                                             int32_t engine_flag) {
  return Shielded<int32_t>(0, [&]() -> int32_t {
    DebugLogBuilt(
        [&] { return L"GetVolumeHandle DriveName = " + std::wstring(TextOrEmpty(DriveName)); });
    // Whatever ends this call early gives the entry back.
    VolumeHandleReservation reservation;
    const int32_t handle = reservation.handle();
    int32_t looked_at = handle ? handle : kVolumeHandleCount;
    for (int32_t i = 1; i <= looked_at; ++i)
      DebugLogBuilt([i] { return L"i = " + std::to_wstring(i); });
    if (!handle) return 0;
    std::shared_ptr<TVolumeHandle> object = TVolumeHandle::Create(
        DriveName, progress_callback, clusters_callback, LowByte(engine_flag));
    if (!object) {
      DebugLog(L"ERROR: GetVolumeHandle exception");
      return 0;
    }
    reservation.Fill(std::move(object));
    return handle;
  });
}

extern "C" void __stdcall CloseVolumeHandle(int32_t AVolumeHandle) {
  Shielded(0, [&] {
    DebugLogBuilt(
        [&] { return L"CloseVolumeHandle AVolumeHandle = " + std::to_wstring(AVolumeHandle); });
    std::shared_ptr<TVolumeHandle> object = TakeVolumeHandle(AVolumeHandle);
    if (!object) return 0;
    DebugLog(L"CloseVolumeHandle: volume found.");
    // No host callback of this handle runs or starts once we return.
    object->DetachCallback();
    TakeLastDestroyFailed();
    object.reset();
    DebugLog(TakeLastDestroyFailed()
                 ? L"CloseVolumeHandle: exception while releasing TVolumeHandle."
                 : L"CloseVolumeHandle: volume released.");
    return 0;
  });
}

// At the end of the process (reserved is non-null then) with debug mode on,
// name the handles the host never closed. No other notice needs handling.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved && IsLeakReportOn()) ReportVolumeHandleLeaks();
  return TRUE;
}

// --- Forwarding exports ------------------------------------------------------

#define TW_ASK_TEXT(method) \
  return AskText(AVolumeHandle, [](IVolume* v, BSTR* text) { return v->method(text); })
#define TW_ASK_INT32(method) \
  return AskValue<int32_t>(AVolumeHandle, [](IVolume* v, int32_t* x) { return v->method(x); })
#define TW_ASK_INT64(method) \
  return AskValue<int64_t>(AVolumeHandle, [](IVolume* v, int64_t* x) { return v->method(x); })
#define TW_ACT(method) return Act(AVolumeHandle, [](IVolume* v) { return v->method(); })

extern "C" const wchar_t* __stdcall GetDriveName(int32_t AVolumeHandle) {
  TW_ASK_TEXT(GetDriveName);
}
extern "C" const wchar_t* __stdcall GetDisplayName(int32_t AVolumeHandle) {
  TW_ASK_TEXT(GetDisplayName);
}
extern "C" const wchar_t* __stdcall GetVolumeLabel(int32_t AVolumeHandle) {
  TW_ASK_TEXT(GetVolumeLabel);
}
extern "C" const wchar_t* __stdcall GetFileSystemName(int32_t AVolumeHandle) {
  TW_ASK_TEXT(GetFileSystemName);
}
extern "C" int32_t __stdcall GetBytesPerSector(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetBytesPerSector);
}
extern "C" int32_t __stdcall GetSectorsPerCluster(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetSectorsPerCluster);
}
extern "C" int64_t __stdcall GetDiskSize(int32_t AVolumeHandle) { TW_ASK_INT64(GetDiskSize); }
extern "C" int64_t __stdcall GetFreeSize(int32_t AVolumeHandle) { TW_ASK_INT64(GetFreeSize); }
extern "C" int64_t __stdcall GetUsedSize(int32_t AVolumeHandle) { TW_ASK_INT64(GetUsedSize); }
extern "C" int64_t __stdcall GetTotalClusters(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetTotalClusters);
}
extern "C" int64_t __stdcall GetTotalDirs(int32_t AVolumeHandle) { TW_ASK_INT64(GetTotalDirs); }
extern "C" int64_t __stdcall GetTotalFiles(int32_t AVolumeHandle) { TW_ASK_INT64(GetTotalFiles); }
extern "C" int64_t __stdcall GetFragmentedFiles(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetFragmentedFiles);
}
extern "C" int64_t __stdcall GetDefragmentedFiles(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetDefragmentedFiles);
}
extern "C" int64_t __stdcall GetTotalFragments(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetTotalFragments);
}
extern "C" int64_t __stdcall GetSkippedFiles(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetSkippedFiles);
}
extern "C" int64_t __stdcall GetFragmentedSize(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetFragmentedSize);
}
extern "C" int64_t __stdcall GetNondefragmentedSize(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetNondefragmentedSize);
}
extern "C" const wchar_t* __stdcall GetCurrentFile(int32_t AVolumeHandle) {
  TW_ASK_TEXT(GetCurrentFile);
}

extern "C" int64_t __stdcall GetPercentDone(int32_t AVolumeHandle) {
  // The engine's signed 32-bit value, widened with its sign.
  return static_cast<int64_t>(AskValue<int32_t>(
      AVolumeHandle, [](IVolume* v, int32_t* x) { return v->GetPercentDone(x); }));
}

extern "C" int32_t __stdcall GetAccessStatus(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetAccessStatus);
}
extern "C" const wchar_t* __stdcall GetReportFile(int32_t AVolumeHandle) {
  TW_ASK_TEXT(GetReportFile);
}

extern "C" int32_t __stdcall SetReportFile(int32_t AVolumeHandle, const wchar_t* report_file) {
  const wchar_t* text = TextOrEmpty(report_file);
  return Act(
      AVolumeHandle, [text](IVolume* v) { return v->SetReportFile(text); },
      L"ERROR: SetReportFile exeption");
}

extern "C" int32_t __stdcall GetDefragPriority(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetDefragPriority);
}

extern "C" int32_t __stdcall SetDefragPriority(int32_t AVolumeHandle, int32_t priority) {
  return Act(
      AVolumeHandle, [priority](IVolume* v) { return v->SetDefragPriority(priority); },
      L"ERROR: SetDefragPriority exeption");
}

extern "C" const wchar_t* __stdcall GetFileMask(int32_t AVolumeHandle) { TW_ASK_TEXT(GetFileMask); }

extern "C" int32_t __stdcall SetFileMask(int32_t AVolumeHandle, const wchar_t* file_mask) {
  const wchar_t* text = TextOrEmpty(file_mask);
  return Act(
      AVolumeHandle, [text](IVolume* v) { return v->SetFileMask(text); },
      L"ERROR: SetFileMask exeption");
}

extern "C" int32_t __stdcall GetFragmentation(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetFragmentation);
}

namespace {

// The exclusion list belongs to the volume: no reference is taken on it and
// none is given back.

// Reads the engine's exclusion list once, entry by entry, into snapshot.
HRESULT ReadExclusionList(IVolume* volume, std::vector<std::wstring>& snapshot) {
  IExclusionList* list = nullptr;
  HRESULT result = volume->GetExclusionList(&list);
  if (FAILED(result) || !list) return FAILED(result) ? result : E_POINTER;
  int32_t count = 0;
  result = list->GetCount(&count);
  for (int32_t i = 0; SUCCEEDED(result) && i < count; ++i) {
    BSTR text = nullptr;
    std::wstring item;
    result = list->GetItem(i, &text);
    result = TakeEngineText(result, text, item);
    if (SUCCEEDED(result)) snapshot.push_back(std::move(item));
  }
  return result;
}

HRESULT ChangeExclusionList(IVolume* volume, bool clear, const wchar_t* text) {
  IExclusionList* list = nullptr;
  HRESULT result = volume->GetExclusionList(&list);
  if (FAILED(result) || !list) return FAILED(result) ? result : E_POINTER;
  return clear ? list->Clear() : list->Add(text);
}

}  // namespace

extern "C" const wchar_t* __stdcall GetExclusionList(int32_t AVolumeHandle) {
  return Shielded<const wchar_t*>(nullptr, [&]() -> const wchar_t* {
    std::shared_ptr<TVolumeHandle> object = FindVolumeHandle(AVolumeHandle);
    if (!object) return nullptr;
    std::vector<std::wstring> snapshot;
    EngineOutcome outcome =
        CallEngine(AVolumeHandle, [&](IVolume* v) { return ReadExclusionList(v, snapshot); });
    if (outcome != EngineOutcome::Done) return nullptr;
    return object->BuildExclusionBuffer(snapshot);
  });
}

extern "C" int32_t __stdcall SetExclusionList(int32_t AVolumeHandle,
                                              const wchar_t* exclusion_list) {
  return Shielded<int32_t>(0, [&]() -> int32_t {
    if (!FindVolumeHandle(AVolumeHandle)) return 0;
    // No list at all is no request to empty the engine's list.
    if (!exclusion_list) return 0;
    std::vector<std::wstring> entries = ParseExclusionText(exclusion_list);
    return Act(
        AVolumeHandle,
        [&](IVolume* v) {
          HRESULT result = ChangeExclusionList(v, true, nullptr);
          for (size_t i = 0; SUCCEEDED(result) && i < entries.size(); ++i)
            result = ChangeExclusionList(v, false, entries[i].c_str());
          return result;
        },
        L"ERROR: SetExclusionList exeption");
  });
}

extern "C" int32_t __stdcall GetSkipFragments(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetSkipFragments);
}

extern "C" int32_t __stdcall SetSkipFragments(int32_t AVolumeHandle, int32_t skip_fragments) {
  uint8_t skip = LowByte(skip_fragments);
  return Act(
      AVolumeHandle, [skip](IVolume* v) { return v->SetSkipFragments(skip); },
      L"ERROR: SetSkipFragments exeption");
}

extern "C" int64_t __stdcall GetFragmentSize(int32_t AVolumeHandle) {
  TW_ASK_INT64(GetFragmentSize);
}

extern "C" int32_t __stdcall SetFragmentSize(int32_t AVolumeHandle, int64_t fragment_size) {
  return Act(
      AVolumeHandle, [fragment_size](IVolume* v) { return v->SetFragmentSize(fragment_size); },
      L"ERROR: SetFragmentSize exeption");
}

extern "C" int32_t __stdcall GetInDefrag(int32_t AVolumeHandle) { TW_ASK_INT32(GetInDefrag); }
extern "C" int32_t __stdcall GetSuspendedDefrag(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetSuspendedDefrag);
}
extern "C" int32_t __stdcall GetTerminatedDefrag(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetTerminatedDefrag);
}
extern "C" int32_t __stdcall GetDefragComplete(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetDefragComplete);
}
extern "C" int32_t __stdcall GetInAnalyze(int32_t AVolumeHandle) { TW_ASK_INT32(GetInAnalyze); }
extern "C" int32_t __stdcall GetSuspendedAnalyze(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetSuspendedAnalyze);
}
extern "C" int32_t __stdcall GetTerminatedAnalyze(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetTerminatedAnalyze);
}
extern "C" int32_t __stdcall GetAnalyzeComplete(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetAnalyzeComplete);
}
extern "C" int32_t __stdcall OpenVolume(int32_t AVolumeHandle) { TW_ACT(OpenVolume); }
extern "C" int32_t __stdcall UpdateVolumeInfo(int32_t AVolumeHandle) { TW_ACT(UpdateVolumeInfo); }

extern "C" int32_t __stdcall StartAnalyze(int32_t AVolumeHandle, const wchar_t* text,
                                          int32_t flag) {
  const wchar_t* argument = TextOrEmpty(text);
  uint8_t byte = LowByte(flag);
  return Act(AVolumeHandle, [=](IVolume* v) { return v->StartAnalyze(argument, byte); });
}

extern "C" int32_t __stdcall StopAnalyze(int32_t AVolumeHandle) { TW_ACT(StopAnalyze); }
extern "C" int32_t __stdcall ResumeAnalyze(int32_t AVolumeHandle) { TW_ACT(ResumeAnalyze); }
extern "C" int32_t __stdcall PauseAnalyze(int32_t AVolumeHandle) { TW_ACT(PauseAnalyze); }

extern "C" int32_t __stdcall StartDefrag(int32_t AVolumeHandle, int32_t mode, int32_t flag) {
  uint8_t byte = LowByte(flag);
  return Act(AVolumeHandle, [=](IVolume* v) { return v->StartDefrag(mode, byte); });
}

extern "C" int32_t __stdcall StopDefrag(int32_t AVolumeHandle) { TW_ACT(StopDefrag); }
extern "C" int32_t __stdcall ResumeDefrag(int32_t AVolumeHandle) { TW_ACT(ResumeDefrag); }
extern "C" int32_t __stdcall PauseDefrag(int32_t AVolumeHandle) { TW_ACT(PauseDefrag); }
extern "C" int32_t __stdcall isGUI(int32_t AVolumeHandle) { TW_ASK_INT32(isGUI); }
extern "C" int32_t __stdcall GetThreadHandle(int32_t AVolumeHandle) {
  TW_ASK_INT32(GetThreadHandle);
}
extern "C" int32_t __stdcall ForceTerminate(int32_t AVolumeHandle) { TW_ACT(ForceTerminate); }
extern "C" int32_t __stdcall GenerateHtmlReport(int32_t AVolumeHandle) {
  TW_ACT(GenerateHtmlReport);
}
