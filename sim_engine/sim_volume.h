// The simulated engine's volumes.

#pragma once

#include "TidewellLink/engine_interfaces.h"

// A new simulated volume of drive_name, not yet counted: its receiver's
// first AddRef makes the count 1, and the last Release frees it. It holds a
// reference to callback (may be NULL) while it lives.
IVolume* NewSimVolume(const wchar_t* drive_name, ICallback* callback);
