// A stand-in bridge that exports every function but one (renamed away by the
// build), to show that the scene binds all of them or none.
#include "TidewellLink/link_types.h"

#define TW_STANDIN_EXPORT(name, ordinal, result, params, args, fallback) \
  extern "C" __declspec(dllexport) result __stdcall name params { return fallback; }
TW_LINK_EXPORTS(TW_STANDIN_EXPORT)
#undef TW_STANDIN_EXPORT
