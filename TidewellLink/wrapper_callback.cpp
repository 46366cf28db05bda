#include "TidewellLink/wrapper_callback.h"

#include "TidewellLink/debug_log.h"
#include "TidewellLink/fault_guard.h"

#include <algorithm>
#include <new>

TWrapperCallback* TWrapperCallback::Create(ProgressCallback progress_callback,
                                           ClusterRangeCallback clusters_callback) {
  return new TWrapperCallback(progress_callback, clusters_callback);
}

namespace {

// Waits until `event` is set, or a message sent by another thread has been served, or
// (without an event) a millisecond has passed. Serving sent messages is what keeps a
// host thread that waits for this one from waiting for ever.
void WaitServingSentMessages(HANDLE event) {
  const DWORD count = event ? 1 : 0;
  const DWORD result = MsgWaitForMultipleObjectsEx(count, &event, event ? INFINITE : 1,
                                                   QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
  if (result == WAIT_OBJECT_0 + count) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  } else if (result == WAIT_FAILED) {
    Sleep(1);
  }
}

}  // namespace

TWrapperCallback::TWrapperCallback(ProgressCallback progress_callback,
                                   ClusterRangeCallback clusters_callback)
    : ComObject(0),
      progress_callback(progress_callback),
      clusters_callback(clusters_callback),
      host_call_ended(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

TWrapperCallback::~TWrapperCallback() {
  if (host_call_ended) CloseHandle(host_call_ended);
}

bool TWrapperCallback::EnterHostCall() {
  std::lock_guard<std::mutex> lock(gate);
  if (detached) return false;
  threads_in_host_calls.push_back(GetCurrentThreadId());
  return true;
}

void TWrapperCallback::LeaveHostCall() {
  std::lock_guard<std::mutex> lock(gate);
  auto found =
      std::find(threads_in_host_calls.begin(), threads_in_host_calls.end(), GetCurrentThreadId());
  if (found != threads_in_host_calls.end()) threads_in_host_calls.erase(found);
  if (host_call_ended) SetEvent(host_call_ended);
}

void TWrapperCallback::Detach() {
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> lock(gate);
  detached = true;
  while (!std::all_of(threads_in_host_calls.begin(), threads_in_host_calls.end(),
                      [self](DWORD thread) { return thread == self; })) {
    lock.unlock();
    WaitServingSentMessages(host_call_ended);
    lock.lock();
  }
}

HRESULT __stdcall TWrapperCallback::UpdateProgressInformation(int32_t) {
  if (!progress_callback) return S_OK;
  CallbackReference keep_alive(this);
  if (!EnterHostCall()) return S_OK;
  ProgressCallback host = progress_callback;
  bool completed = RunGuarded([host] { host(); });
  LeaveHostCall();
  if (!completed)
    DebugLog(
        L"ERROR: TWrapperCallback.UpdateProgressInformation exception while calling "
        L"external code");
  return S_OK;
}

HRESULT __stdcall TWrapperCallback::SetClusters(int32_t state, int64_t first_cluster,
                                                int64_t last_cluster) {
  if (!clusters_callback) return S_OK;
  CallbackReference keep_alive(this);
  if (!EnterHostCall()) return S_OK;
  ClusterRangeCallback host = clusters_callback;
  bool completed = RunGuarded([=] { host(first_cluster, last_cluster, state); });
  LeaveHostCall();
  if (!completed)
    DebugLog(L"ERROR: TWrapperCallback.SetClusters exception while calling external code");
  return S_OK;
}
