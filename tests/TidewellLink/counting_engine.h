// The counting engine (test code): a "Tidewell.dll" of its own folder that counts every
// reference the bridge takes and gives back on its volume, on that volume's exclusion
// list and on the bridge's callback object.

#pragma once

#include "TidewellLink/engine_interfaces.h"

struct CountingEngineState {
  // Set by the test: whether "GetVolumeIntf" counts the volume pointer it stores.
  bool counts_stored_volume = false;
  // The engine holds one reference of its own on its volume, the volume one on its list.
  // Neither is ever freed, so a count given back too often shows as a number, not a crash.
  LONG volume_references = 0;
  LONG list_references = 0;
  // The callback object of the last "GetVolumeIntf"; the engine holds two references
  // on it, which the test gives back.
  ICallback* callback = nullptr;
};

// The export "CountingEngine": the engine's one state. Each "GetVolumeIntf" hands out
// the same volume anew: one reference of the engine's own, plus one when the stored
// pointer is counted.
typedef CountingEngineState*(__stdcall* CountingEngineProc)();
