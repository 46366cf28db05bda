#include "TidewellLink/volume_handle.h"

#include "TidewellLink/debug_log.h"
#include "TidewellLink/engine_loader.h"
#include "TidewellLink/exclusion_text.h"
#include "TidewellLink/fault_guard.h"

std::shared_ptr<TVolumeHandle> TVolumeHandle::Create(const wchar_t* drive_name,
                                                     ProgressCallback progress_callback,
                                                     ClusterRangeCallback clusters_callback,
                                                     uint8_t engine_flag) {
  DebugLog(L"TVolumeHandle.Create");
  std::shared_ptr<TVolumeHandle> handle;
  bool built = false;
  try {
    handle.reset(new TVolumeHandle());
    handle->drive_name = drive_name ? drive_name : L"";
    DebugLog(L"TWrapperCallback.Create");
    handle->callback = TWrapperCallback::Create(progress_callback, clusters_callback);
    handle->callback->AddRef();
    DebugLog(L"GetVolume(DriveName, ....");
    IVolume* engine_volume = nullptr;
    built = GetVolume(drive_name, handle->callback, engine_flag, &engine_volume) !=
            GetVolumeResult::Failed;
    // Whether the engine counts the pointer it stored is its own business:
    // the handle takes a reference of its own and gives back only that one.
    if (built && engine_volume) {
      built = RunGuarded([engine_volume] { engine_volume->AddRef(); });
      if (built) handle->volume = engine_volume;
    }
  } catch (...) {
    built = false;
  }
  if (built) return handle;
  DebugLog(L"ERROR: TVolumeHandle.Create exception");
  handle.reset();  // the destructor writes its line and gives back what was set
  return nullptr;
}

namespace {
thread_local bool t_last_destroy_failed = false;
}

bool TakeLastDestroyFailed() {
  bool failed = t_last_destroy_failed;
  t_last_destroy_failed = false;
  return failed;
}

TVolumeHandle::~TVolumeHandle() {
  DebugLog(L"TVolumeHandle.Destroy");
  // The engine's volume goes before the callback object the engine may hold.
  // Each reference is given up once, even when the engine faults in Release.
  bool released = true;
  if (volume) {
    IVolume* engine_volume = volume;
    volume = nullptr;
    released = RunGuarded([engine_volume] { engine_volume->Release(); });
  }
  if (callback) {
    TWrapperCallback* own_callback = callback;
    callback = nullptr;
    released = RunGuarded([own_callback] { own_callback->Release(); }) && released;
  }
  t_last_destroy_failed = !released;
}

void TVolumeHandle::DetachCallback() {
  if (callback) callback->Detach();
}

const wchar_t* TVolumeHandle::BuildExclusionBuffer(const std::vector<std::wstring>& snapshot) {
  std::lock_guard<std::mutex> lock(buffer_lock);
  return BuildExclusionText(snapshot, buffer);
}
