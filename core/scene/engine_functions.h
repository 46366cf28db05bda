#pragma once
// The host side of the bridge: TidewellLink's 58 exports bound by name at run
// time, and the two callbacks the scene hands to it for every volume it opens.
#include "TidewellLink/link_types.h"

// One pointer per export, named after it and generated from the bridge's own
// export list, so host and bridge cannot disagree on a name or a signature. The
// slots follow the export list, except that each Pause comes before its Resume.
struct EngineFunctionTable {
#define TW_ENGINE_SLOT(name, ordinal, result, params, args, fallback) name##Proc name;
  TW_LINK_HOST_SLOTS(TW_ENGINE_SLOT)
#undef TW_ENGINE_SLOT
};

extern EngineFunctionTable g_engine_functions;
extern HMODULE g_engine_module;

// Loads "TidewellLink.dll" by bare name and binds every export by name: 1 when
// all are bound, otherwise 0 with no library held and every slot null.
int BindEngineLibrary();

// Releases the library (when held) and empties every slot.
void UnbindEngineLibrary();

class SaverScene;

// Engine thread: asks the engine for the report (percentage, completion and the
// current file) and leaves the answers for the scene's next frame tick. Both callbacks
// return normally whatever happens inside them; a report that fails is not made.
void OnEngineProgress();

// Engine thread: marks the reported cluster range in the scene's cell map.
void __stdcall OnEngineClusters(int64_t first_cluster, int64_t last_cluster, int32_t state);

// The same for the library at `library_path` (tests bind stand-in copies this way).
int BindEngineLibraryFrom(const wchar_t* library_path);

// Takes `scene` out of the engine's reach for good: no report touches it once this
// returns; a report in progress in it (with the reports the engine makes from inside
// it) is waited for. For a scene going away while the engine may still report (the
// worker's exit after turning the monitors off).
void DetachSceneFromEngineReports(SaverScene* scene);
