// The recording engine (test code): every IVolume slot and every exclusion-list operation
// writes down its name and arguments and answers the fixed values of recording_engine.h;
// its objects count their references, are never freed, and are shown through "TwRecObjects".

#include "tests/TidewellLink/recording_engine.h"

#include <atomic>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "TidewellLink/engine_interfaces.h"

extern "C" HRESULT __stdcall GetVolumeIntf(const wchar_t* drive_name, ICallback* callback,
                                           IVolume** volume, int32_t engine_flag);
extern "C" const wchar_t* __stdcall TwRecTakeCalls();
extern "C" void __stdcall TwRecFail(const wchar_t* method);
extern "C" RecordedObjects* __stdcall TwRecObjects();
extern "C" RecordedTexts* __stdcall TwRecTexts();
// oleaut32's, not in the headers; without arguments both calling conventions agree.
extern "C" void SetOaNoCache();

static_assert(std::is_same<decltype(&GetVolumeIntf), GetVolumeIntfProc>::value, "");
static_assert(std::is_same<decltype(&TwRecTakeCalls), TwRecTakeCallsProc>::value, "");
static_assert(std::is_same<decltype(&TwRecFail), TwRecFailProc>::value, "");
static_assert(std::is_same<decltype(&TwRecObjects), TwRecObjectsProc>::value, "");
static_assert(std::is_same<decltype(&TwRecTexts), TwRecTextsProc>::value, "");

namespace {

std::mutex g_lock;
std::vector<std::wstring> g_calls;
std::wstring g_taken;
std::wstring g_failing;
RecordedObjects g_objects;
RecordedTexts g_texts;
std::vector<void*> g_text_blocks;  // the task allocator's blocks of the BSTRs not yet freed
thread_local void* t_last_block = nullptr;

// Plain texts, not BSTRs: their length prefixes claim 256 MB, far past what can be read,
// and nearly 4 GB.
struct PlainText {
  uint32_t bytes;
  wchar_t text[2];
};
const PlainText kHugeLengthText = {0x10000000, L"t"};
const PlainText kWrappingLengthText = {0xFFFFFFF8, L"t"};

// Whether an allocator block given to the spy is one of the plain texts (a BSTR's block
// starts a little before its text).
bool IsPlainTextBlock(const void* block) {
  const auto* at = static_cast<const char*>(block);
  for (const PlainText* plain : {&kHugeLengthText, &kWrappingLengthText}) {
    const auto* text = reinterpret_cast<const char*>(plain->text);
    if (at >= text - 16 && at <= text) return true;
  }
  return false;
}

// Passes every request on unchanged; notes this thread's last block and counts the text
// blocks given back.
class TextSpy final : public IMallocSpy {
 public:
  HRESULT __stdcall QueryInterface(REFIID asked, void** object) override {
    *object =
        IsEqualGUID(asked, IID_IMallocSpy) || IsEqualGUID(asked, IID_IUnknown) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG __stdcall AddRef() override { return 2; }  // static: never freed
  ULONG __stdcall Release() override { return 1; }
  SIZE_T __stdcall PreAlloc(SIZE_T size) override { return size; }
  void* __stdcall PostAlloc(void* block) override { return t_last_block = block; }
  void* __stdcall PreFree(void* block, BOOL) override {
    std::lock_guard<std::mutex> guard(g_lock);
    if (IsPlainTextBlock(block)) ++g_texts.plain_freed;
    for (void*& text : g_text_blocks) {
      if (text != block) continue;
      text = g_text_blocks.back();
      g_text_blocks.pop_back();
      --g_texts.not_freed;
      break;
    }
    return block;
  }
  void __stdcall PostFree(BOOL) override {}
  SIZE_T __stdcall PreRealloc(void* block, SIZE_T size, void** next, BOOL) override {
    *next = block;
    return size;
  }
  void* __stdcall PostRealloc(void* block, BOOL) override { return block; }
  // The runtime asks a block's size before it frees it (and leaves one it does not know).
  void* __stdcall PreGetSize(void* block, BOOL) override {
    std::lock_guard<std::mutex> guard(g_lock);
    if (IsPlainTextBlock(block)) ++g_texts.plain_freed;
    return block;
  }
  SIZE_T __stdcall PostGetSize(SIZE_T size, BOOL) override { return size; }
  void* __stdcall PreDidAlloc(void* block, BOOL) override { return block; }
  int __stdcall PostDidAlloc(void*, BOOL, int answer) override { return answer; }
  void __stdcall PreHeapMinimize() override {}
  void __stdcall PostHeapMinimize() override {}
};
TextSpy g_spy;

// The text the test asked for. A name is counted until it is freed: without the spy it
// never comes back, so a missing spy shows as texts not freed.
BSTR GiveText(const wchar_t* name) {
  if (g_texts.given == GivenText::Unreadable) return reinterpret_cast<BSTR>(uintptr_t{16});
  if (g_texts.given == GivenText::HugeLength) return const_cast<BSTR>(kHugeLengthText.text);
  if (g_texts.given == GivenText::WrappingLength)
    return const_cast<BSTR>(kWrappingLengthText.text);
  t_last_block = nullptr;
  BSTR text = SysAllocString(name);
  std::lock_guard<std::mutex> guard(g_lock);
  g_text_blocks.push_back(t_last_block);
  ++g_texts.not_freed;
  return text;
}

// Writes the call down; E_FAIL when this method is the failing one.
HRESULT Record(const wchar_t* method, const std::wstring& arguments = L"") {
  std::lock_guard<std::mutex> guard(g_lock);
  g_calls.push_back(method + (L"(" + arguments + L")"));
  return g_failing == method ? E_FAIL : S_OK;
}

std::wstring Text(const wchar_t* text) { return text ? text : L"NULL"; }

template <class T>
HRESULT Answer(const wchar_t* method, T* out, T value) {
  const HRESULT result = Record(method);
  if (SUCCEEDED(result)) *out = value;
  return result;
}

// The name even with a failure: the bridge must free what it was handed either way.
HRESULT AnswerName(const wchar_t* method, BSTR* out) {
  const HRESULT result = Record(method);
  *out = GiveText(method);
  return result;
}

#define REC_TEXT(Method) \
  HRESULT __stdcall Method(BSTR* text) override { return AnswerName(L"" #Method, text); }
#define REC_INT32(Method)                              \
  HRESULT __stdcall Method(int32_t* value) override {  \
    return Answer(L"" #Method, value, kRecordedInt32); \
  }
#define REC_INT64(Method)                              \
  HRESULT __stdcall Method(int64_t* value) override {  \
    return Answer(L"" #Method, value, kRecordedInt64); \
  }
#define REC_ACTION(Method) \
  HRESULT __stdcall Method() override { return Record(L"" #Method); }

// Counts references from one but never frees the object: a reference given back too often
// shows as a count, not a crash.
template <class Interface, const GUID& iid>
class NeverFreed : public Interface {
 public:
  HRESULT __stdcall QueryInterface(REFIID asked, void** object) override {
    if (!object) return E_POINTER;
    *object = IsEqualGUID(asked, iid) || IsEqualGUID(asked, IID_IUnknown) ? this : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() override { return ++references; }
  ULONG __stdcall Release() override { return --references; }

 private:
  std::atomic<ULONG> references{1};
};

// Its reads are not written down: how often the bridge reads the list is its own affair.
class RecordingList final : public NeverFreed<IExclusionList, kIID_IExclusionList> {
 public:
  HRESULT __stdcall GetCount(int32_t* count) override {
    *count = 2;
    return S_OK;
  }
  // A failing one hands its text out too.
  HRESULT __stdcall GetItem(int32_t index, BSTR* text) override {
    if (index < 0 || index > 1) return E_INVALIDARG;
    *text = GiveText(index == 0 ? L"x" : L"y");
    std::lock_guard<std::mutex> guard(g_lock);
    return g_failing == L"GetItem" ? E_FAIL : S_OK;
  }
  REC_ACTION(Clear)
  HRESULT __stdcall Add(const wchar_t* text) override { return Record(L"Add", Text(text)); }
};

class RecordingVolume final : public NeverFreed<IVolume, kIID_IVolume> {
 public:
  RecordingList* const exclusions = new RecordingList;

  REC_TEXT(GetDriveName)
  REC_TEXT(GetDisplayName)
  REC_TEXT(GetVolumeLabel)
  REC_TEXT(GetFileSystemName)
  REC_INT32(GetBytesPerSector)
  REC_INT32(GetSectorsPerCluster)
  REC_INT64(GetDiskSize)
  REC_INT64(GetFreeSize)
  REC_INT64(GetUsedSize)
  REC_INT64(GetTotalClusters)
  REC_INT64(GetTotalDirs)
  REC_INT64(GetTotalFiles)
  REC_INT64(GetFragmentedFiles)
  REC_INT64(GetDefragmentedFiles)
  REC_INT64(GetTotalFragments)
  REC_INT64(GetSkippedFiles)
  REC_INT64(GetFragmentedSize)
  REC_INT64(GetNondefragmentedSize)
  REC_TEXT(GetCurrentFile)
  REC_INT32(GetPercentDone)
  REC_INT32(GetAccessStatus)
  REC_ACTION(Reserved22)
  REC_ACTION(Reserved23)
  REC_TEXT(GetReportFile)
  HRESULT __stdcall SetReportFile(const wchar_t* text) override {
    return Record(L"SetReportFile", Text(text));
  }
  REC_INT32(GetDefragPriority)
  HRESULT __stdcall SetDefragPriority(int32_t priority) override {
    return Record(L"SetDefragPriority", std::to_wstring(priority));
  }
  REC_TEXT(GetFileMask)
  HRESULT __stdcall SetFileMask(const wchar_t* text) override {
    return Record(L"SetFileMask", Text(text));
  }
  REC_ACTION(Reserved30)
  REC_INT32(GetFragmentation)
  HRESULT __stdcall GetExclusionList(IExclusionList** list) override {
    const HRESULT result = Record(L"GetExclusionList");
    if (SUCCEEDED(result)) *list = exclusions;  // the volume's own: not counted for the caller
    return result;
  }
  REC_ACTION(Reserved33)
  REC_INT32(GetSkipFragments)
  HRESULT __stdcall SetSkipFragments(uint8_t skip) override {
    return Record(L"SetSkipFragments", std::to_wstring(skip));
  }
  REC_INT64(GetFragmentSize)
  HRESULT __stdcall SetFragmentSize(int64_t size) override {
    return Record(L"SetFragmentSize", std::to_wstring(size));
  }
  REC_ACTION(Reserved38)
  REC_INT32(GetInDefrag)
  REC_INT32(GetSuspendedDefrag)
  REC_INT32(GetTerminatedDefrag)
  REC_INT32(GetDefragComplete)
  REC_INT32(GetInAnalyze)
  REC_INT32(GetSuspendedAnalyze)
  REC_INT32(GetTerminatedAnalyze)
  REC_INT32(GetAnalyzeComplete)
  REC_ACTION(OpenVolume)
  REC_ACTION(UpdateVolumeInfo)
  REC_ACTION(Reserved49)
  HRESULT __stdcall StartDefrag(int32_t mode, uint8_t flag) override {
    return Record(L"StartDefrag", std::to_wstring(mode) + L"," + std::to_wstring(flag));
  }
  REC_ACTION(StopDefrag)
  REC_ACTION(ResumeDefrag)
  REC_ACTION(PauseDefrag)
  HRESULT __stdcall StartAnalyze(const wchar_t* text, uint8_t flag) override {
    return Record(L"StartAnalyze", Text(text) + L"," + std::to_wstring(flag));
  }
  REC_ACTION(StopAnalyze)
  REC_ACTION(ResumeAnalyze)
  REC_ACTION(PauseAnalyze)
  REC_INT32(isGUI)
  REC_INT32(GetThreadHandle)
  REC_ACTION(ForceTerminate)
  REC_ACTION(GenerateHtmlReport)
  REC_ACTION(Reserved62)
  REC_ACTION(Reserved63)
};

}  // namespace

extern "C" HRESULT __stdcall GetVolumeIntf(const wchar_t* drive_name, ICallback* callback,
                                           IVolume** volume, int32_t engine_flag) {
  const HRESULT result =
      Record(L"GetVolumeIntf", Text(drive_name) + L"," + std::to_wstring(engine_flag));
  *volume = nullptr;
  if (FAILED(result)) return result;
  // Once: the texts go through the task allocator uncached, where the spy sees them.
  [[maybe_unused]] static const HRESULT spying = (SetOaNoCache(), CoRegisterMallocSpy(&g_spy));
  RecordingVolume* made = new RecordingVolume;  // the engine's own reference
  if (g_objects.counts_stored_volume) made->AddRef();
  callback->AddRef();
  callback->AddRef();
  g_objects.volume = *volume = made;
  g_objects.list = made->exclusions;
  g_objects.callback = callback;
  return result;
}

extern "C" RecordedObjects* __stdcall TwRecObjects() { return &g_objects; }

extern "C" RecordedTexts* __stdcall TwRecTexts() { return &g_texts; }

extern "C" const wchar_t* __stdcall TwRecTakeCalls() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_taken.clear();
  for (const std::wstring& call : g_calls) g_taken += (g_taken.empty() ? L"" : L"; ") + call;
  g_calls.clear();
  return g_taken.c_str();
}

extern "C" void __stdcall TwRecFail(const wchar_t* method) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_failing = Text(method);
}
