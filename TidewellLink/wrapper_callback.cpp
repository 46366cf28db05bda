#include "TidewellLink/wrapper_callback.h"

#include "TidewellLink/debug_log.h"
#include "TidewellLink/fault_guard.h"

#include <algorithm>
#include <new>

TWrapperCallback* TWrapperCallback::Create(ProgressCallback progress_callback,
                                           ClusterRangeCallback clusters_callback) {
  return new TWrapperCallback(progress_callback, clusters_callback);
}

TWrapperCallback::TWrapperCallback(ProgressCallback progress_callback,
                                   ClusterRangeCallback clusters_callback)
    : ComObject(0), progress_callback(progress_callback), clusters_callback(clusters_callback) {}

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
  host_call_ended.notify_all();
}

void TWrapperCallback::Detach() {
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> lock(gate);
  detached = true;
  host_call_ended.wait(lock, [&] {
    return std::all_of(threads_in_host_calls.begin(), threads_in_host_calls.end(),
                       [self](DWORD thread) { return thread == self; });
  });
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
