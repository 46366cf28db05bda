// TWrapperCallback: the bridge's ICallback. Turns the engine's notifications
// into calls of the host's two plain functions, on the engine's thread.

#pragma once

#include "TidewellLink/com_object.h"
#include "TidewellLink/engine_interfaces.h"
#include "TidewellLink/link_types.h"

#include <atomic>
#include <mutex>
#include <vector>

class TWrapperCallback final : public ComObject<ICallback, kIID_ICallback> {
 public:
  // A new object with reference count 0: its first holder's AddRef makes it 1.
  static TWrapperCallback* Create(ProgressCallback progress_callback,
                                  ClusterRangeCallback clusters_callback);

  HRESULT __stdcall UpdateProgressInformation(int32_t percent_done) override;
  HRESULT __stdcall SetClusters(int32_t state, int64_t first_cluster,
                                int64_t last_cluster) override;

  // From now on no host function is called. Waits for host calls in
  // progress on other threads; a call in progress on this thread (a close
  // from inside the handle's own callback) is not waited for. While it waits
  // it serves the messages sent to this thread, which such a call may be
  // waiting for (a host that sends to a window of the closing thread).
  void Detach();

 private:
  TWrapperCallback(ProgressCallback progress_callback, ClusterRangeCallback clusters_callback);
  ~TWrapperCallback() override;
  bool EnterHostCall();
  void LeaveHostCall();

  ProgressCallback progress_callback;
  ClusterRangeCallback clusters_callback;
  std::mutex gate;
  HANDLE host_call_ended;  // auto-reset event, set as each host call ends
  bool detached = false;
  std::vector<DWORD> threads_in_host_calls;
};

// Holds one reference for its scope (the object must outlive its own call).
class CallbackReference {
 public:
  explicit CallbackReference(ICallback* callback) : callback(callback) { callback->AddRef(); }
  ~CallbackReference() { callback->Release(); }
  CallbackReference(const CallbackReference&) = delete;
  CallbackReference& operator=(const CallbackReference&) = delete;

 private:
  ICallback* callback;
};
