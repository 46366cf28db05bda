#include "TidewellLink/engine_loader.h"

#include "TidewellLink/fault_guard.h"
#include "TidewellLink/wrapper_callback.h"

#include <mutex>

namespace {

HMODULE g_engine_library = nullptr;
std::mutex g_engine_library_lock;

HMODULE LoadEngineLibrary() {
  std::lock_guard<std::mutex> lock(g_engine_library_lock);
  if (!g_engine_library) g_engine_library = LoadLibraryW(L"Tidewell.dll");
  return g_engine_library;
}

}  // namespace

void PinThisLibrary() {
  static std::once_flag pinned;
  std::call_once(pinned, [] {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&PinThisLibrary), &self);
  });
}

GetVolumeResult GetVolume(const wchar_t* drive_name, ICallback* callback, uint8_t engine_flag,
                          IVolume** volume) {
  *volume = nullptr;
  CallbackReference keep_alive(callback);
  HMODULE engine = LoadEngineLibrary();
  if (!engine) return GetVolumeResult::Failed;
  auto get_volume_intf = reinterpret_cast<GetVolumeIntfProc>(
      reinterpret_cast<void*>(GetProcAddress(engine, "GetVolumeIntf")));
  if (!get_volume_intf) return GetVolumeResult::NoVolume;

  // The engine may keep and call our callback objects after the host has
  // unloaded this library: from the first hand-over on, the library stays.
  PinThisLibrary();
  IVolume* answer = nullptr;
  bool returned = RunGuarded([&] { get_volume_intf(drive_name, callback, &answer, engine_flag); });
  if (!returned) return GetVolumeResult::Failed;
  *volume = answer;
  return answer ? GetVolumeResult::Volume : GetVolumeResult::NoVolume;
}
