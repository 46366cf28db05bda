// Loads the engine "Tidewell.dll" (once; a failed load is retried by the next
// call) and asks its export "GetVolumeIntf" for a volume.

#pragma once

#include "TidewellLink/engine_interfaces.h"

enum class GetVolumeResult { Volume, NoVolume, Failed };

// On Volume, *volume is the pointer the engine stored; no reference is taken
// or given back on it here (the caller takes its own). NoVolume: no
// "GetVolumeIntf" or the engine stored none.
// Failed: the engine could not be loaded, or raised.
GetVolumeResult GetVolume(const wchar_t* drive_name, ICallback* callback, uint8_t engine_flag,
                          IVolume** volume);

// Keeps this library loaded for the rest of the process: a later FreeLibrary leaves it. For
// what can outlive the host's use of the library (callbacks others hold and call).
void PinThisLibrary();
