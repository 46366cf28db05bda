// TVolumeHandle: what stands behind one open volume handle: the engine's
// IVolume (may be absent), the TWrapperCallback made for the handle, and the
// buffer of the last exclusion multi-string handed out. The object holds one
// reference of its own to the volume and one to the callback object.

#pragma once

#include "TidewellLink/engine_interfaces.h"
#include "TidewellLink/link_types.h"
#include "TidewellLink/wrapper_callback.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TVolumeHandle {
 public:
  // NULL when the volume cannot be set up (the engine is missing or raised);
  // whatever was built is released by then. Writes the construction lines.
  static std::shared_ptr<TVolumeHandle> Create(const wchar_t* drive_name,
                                               ProgressCallback progress_callback,
                                               ClusterRangeCallback clusters_callback,
                                               uint8_t engine_flag);
  virtual ~TVolumeHandle();
  TVolumeHandle(const TVolumeHandle&) = delete;
  TVolumeHandle& operator=(const TVolumeHandle&) = delete;

  IVolume* Volume() const { return volume; }
  const std::wstring& DriveName() const { return drive_name; }

  // No host callback of this handle starts after this returns (see
  // TWrapperCallback::Detach).
  void DetachCallback();

  // Builds the exclusion multi-string from one snapshot of the engine's
  // list in this handle's buffer; NULL when the list has no entry.
  const wchar_t* BuildExclusionBuffer(const std::vector<std::wstring>& snapshot);

 private:
  TVolumeHandle() = default;

  std::wstring drive_name;  // a copy, for the leak report
  IVolume* volume = nullptr;
  TWrapperCallback* callback = nullptr;
  std::mutex buffer_lock;
  std::vector<wchar_t> buffer;
};

// True when the last TVolumeHandle destroyed on this thread faulted while
// giving back its engine references; resets the mark.
bool TakeLastDestroyFailed();
