// Types shared by TidewellLink and its hosts: the two host callbacks and one
// function-pointer typedef per export (<name>Proc, e.g. GetVolumeHandleProc),
// generated from link_exports.h so both sides always agree on the calling
// convention. On i686 a mismatch would corrupt the stack; the static_asserts
// below catch the callbacks' shapes at compile time.

#pragma once

#include <windows.h>
#include <cstdint>
#include <type_traits>

// Called when the engine reports progress; the host asks for the numbers
// itself. Plain (cdecl) function without arguments.
typedef void (*ProgressCallback)();

// Called for each reported cluster range: first and last cluster (inclusive)
// and the cluster state code. stdcall: the callee removes its arguments.
typedef void(__stdcall* ClusterRangeCallback)(int64_t first_cluster, int64_t last_cluster,
                                              int32_t state);

#include "link_exports.h"

#define TW_LINK_DECLARE_PROC(name, ordinal, result, params, args, fallback) \
  typedef result(__stdcall* name##Proc) params;
TW_LINK_EXPORTS(TW_LINK_DECLARE_PROC)
#undef TW_LINK_DECLARE_PROC

static_assert(std::is_same<ProgressCallback, void (*)()>::value,
              "ProgressCallback is a plain function without arguments");
static_assert(
    std::is_same<ClusterRangeCallback, void(__stdcall*)(int64_t, int64_t, int32_t)>::value,
    "ClusterRangeCallback is stdcall (first, last, state)");
static_assert(
    std::is_same<GetVolumeHandleProc, int32_t(__stdcall*)(const wchar_t*, ProgressCallback,
                                                          ClusterRangeCallback, int32_t)>::value,
    "GetVolumeHandle takes the drive, both callbacks and the flag");
static_assert(std::is_same<CloseVolumeHandleProc, void(__stdcall*)(int32_t)>::value,
              "CloseVolumeHandle takes the handle only");
static_assert(std::is_same<GetPercentDoneProc, int64_t(__stdcall*)(int32_t)>::value,
              "GetPercentDone answers a sign-extended 64-bit value");
static_assert(std::is_same<SetFragmentSizeProc, int32_t(__stdcall*)(int32_t, int64_t)>::value,
              "SetFragmentSize takes a 64-bit size");

namespace tw_link_detail {
#define TW_LINK_COUNT_ONE(name, ordinal, result, params, args, fallback) +1
constexpr int kExportCount = 0 TW_LINK_EXPORTS(TW_LINK_COUNT_ONE);
#undef TW_LINK_COUNT_ONE
#define TW_LINK_ORDINAL(name, ordinal, result, params, args, fallback) ordinal,
constexpr int kOrdinals[] = {TW_LINK_EXPORTS(TW_LINK_ORDINAL)};
#undef TW_LINK_ORDINAL
constexpr bool OrdinalsRunDown(int index) {
  return index >= kExportCount ||
         (kOrdinals[index] == kExportCount - index && OrdinalsRunDown(index + 1));
}
}  // namespace tw_link_detail

static_assert(tw_link_detail::kExportCount == TW_LINK_EXPORT_COUNT, "58 exports");
static_assert(tw_link_detail::OrdinalsRunDown(0), "ordinals run from 58 down to 1");
