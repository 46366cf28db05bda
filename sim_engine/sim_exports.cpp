// Exports of the simulated engine: the engine's "GetVolumeIntf" and the
// control functions of sim_control.h.

#include "TidewellLink/engine_interfaces.h"
#include "sim_engine/sim_config.h"
#include "sim_engine/sim_control.h"
#include "sim_engine/sim_volume.h"

#include <type_traits>

extern "C" HRESULT __stdcall GetVolumeIntf(const wchar_t* drive_name, ICallback* callback,
                                           IVolume** volume, int32_t engine_flag);
extern "C" int32_t __stdcall TwSimConfigure(const wchar_t* assignment);
extern "C" int64_t __stdcall TwSimQuery(const wchar_t* name);

static_assert(std::is_same<decltype(&GetVolumeIntf), GetVolumeIntfProc>::value,
              "GetVolumeIntf matches the bridge's view of it");
static_assert(std::is_same<decltype(&TwSimConfigure), TwSimConfigureProc>::value, "");
static_assert(std::is_same<decltype(&TwSimQuery), TwSimQueryProc>::value, "");

extern "C" HRESULT __stdcall GetVolumeIntf(const wchar_t* drive_name, ICallback* callback,
                                           IVolume** volume, int32_t engine_flag) {
  ApplySimEnvironment();
  SIM_ENTER("GetVolumeIntf");
  if (!volume) return E_POINTER;
  SetSimValue(L"last_drive_pointer", static_cast<int64_t>(reinterpret_cast<intptr_t>(drive_name)));
  SetSimValue(L"last_engine_flag", engine_flag);
  if (CurrentSimConfig()->no_volume) {
    *volume = nullptr;
    return S_OK;
  }
  *volume = NewSimVolume(drive_name, callback);
  return S_OK;
}

extern "C" int32_t __stdcall TwSimConfigure(const wchar_t* assignment) {
  return assignment && ApplySimAssignment(assignment) ? 1 : 0;
}

extern "C" int64_t __stdcall TwSimQuery(const wchar_t* name) {
  return name ? GetSimValue(name) : -1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ApplySimEnvironment();
  return TRUE;
}
