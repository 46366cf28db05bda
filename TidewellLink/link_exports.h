// The one list of TidewellLink's exported functions.
//
// Everything that has to agree on the bridge's exports is generated from this
// table: the library's .def file (names and ordinals), the function-pointer
// typedefs in link_types.h, the host's function table bound by name (in the
// order of TW_LINK_HOST_SLOTS), and the tests. Edit the list here only.
//
// Each row: X(name, ordinal, return type, (parameter list), (argument names), default)
//   name        exported name, undecorated (stdcall)
//   ordinal     the export's ordinal; rows run from 58 down to 1
//   return type the C type of the result (void for CloseVolumeHandle)
//   parameters  the full parameter list in parentheses, the handle included
//   arguments   the same parameters' names only, in parentheses (for forwarding)
//   default     the answer on a bad handle or any failure (empty for void)
//
// Argument slots: every argument is one 32-bit slot on i686 except int64_t
// (two slots). Flags are passed as a whole slot; only the low byte counts.
// Text arguments and results are NUL-terminated UTF-16; text results belong
// to the library (copy them before the calling thread calls in again).
//
// Include <windows.h> and <cstdint> first (link_types.h does so).

#pragma once

#define TW_LINK_HANDLE_ONLY (int32_t AVolumeHandle)
#define TW_LINK_HANDLE_ARG (AVolumeHandle)

#define TW_LINK_EXPORTS_TO_STOP_ANALYZE(X)                                                   \
  X(GetVolumeHandle, 58, int32_t,                                                            \
    (const wchar_t* DriveName, ProgressCallback progress_callback,                           \
     ClusterRangeCallback clusters_callback, int32_t engine_flag),                           \
    (DriveName, progress_callback, clusters_callback, engine_flag), 0)                       \
  X(CloseVolumeHandle, 57, void, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, )                  \
  X(GetDriveName, 56, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr)      \
  X(GetDisplayName, 55, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr)    \
  X(GetVolumeLabel, 54, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr)    \
  X(GetFileSystemName, 53, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr) \
  X(GetBytesPerSector, 52, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)              \
  X(GetSectorsPerCluster, 51, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)           \
  X(GetDiskSize, 50, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                    \
  X(GetFreeSize, 49, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                    \
  X(GetUsedSize, 48, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                    \
  X(GetTotalClusters, 47, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)               \
  X(GetTotalDirs, 46, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                   \
  X(GetTotalFiles, 45, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                  \
  X(GetFragmentedFiles, 44, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)             \
  X(GetDefragmentedFiles, 43, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)           \
  X(GetTotalFragments, 42, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)              \
  X(GetSkippedFiles, 41, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                \
  X(GetFragmentedSize, 40, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)              \
  X(GetNondefragmentedSize, 39, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)         \
  X(GetCurrentFile, 38, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr)    \
  X(GetPercentDone, 37, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                 \
  X(GetAccessStatus, 36, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                \
  X(GetReportFile, 35, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr)     \
  X(SetReportFile, 34, int32_t, (int32_t AVolumeHandle, const wchar_t* report_file),         \
    (AVolumeHandle, report_file), 0)                                                         \
  X(GetDefragPriority, 33, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)              \
  X(SetDefragPriority, 32, int32_t, (int32_t AVolumeHandle, int32_t priority),               \
    (AVolumeHandle, priority), 0)                                                            \
  X(GetFileMask, 31, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr)       \
  X(SetFileMask, 30, int32_t, (int32_t AVolumeHandle, const wchar_t* file_mask),             \
    (AVolumeHandle, file_mask), 0)                                                           \
  X(GetFragmentation, 29, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)               \
  X(GetExclusionList, 28, const wchar_t*, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, nullptr)  \
  X(SetExclusionList, 27, int32_t, (int32_t AVolumeHandle, const wchar_t* exclusion_list),   \
    (AVolumeHandle, exclusion_list), 0)                                                      \
  X(GetSkipFragments, 26, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)               \
  X(SetSkipFragments, 25, int32_t, (int32_t AVolumeHandle, int32_t skip_fragments),          \
    (AVolumeHandle, skip_fragments), 0)                                                      \
  X(GetFragmentSize, 24, int64_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                \
  X(SetFragmentSize, 23, int32_t, (int32_t AVolumeHandle, int64_t fragment_size),            \
    (AVolumeHandle, fragment_size), 0)                                                       \
  X(GetInDefrag, 22, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                    \
  X(GetSuspendedDefrag, 21, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)             \
  X(GetTerminatedDefrag, 20, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)            \
  X(GetDefragComplete, 19, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)              \
  X(GetInAnalyze, 18, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                   \
  X(GetSuspendedAnalyze, 17, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)            \
  X(GetTerminatedAnalyze, 16, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)           \
  X(GetAnalyzeComplete, 15, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)             \
  X(OpenVolume, 14, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)                     \
  X(UpdateVolumeInfo, 13, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)               \
  X(StartAnalyze, 12, int32_t, (int32_t AVolumeHandle, const wchar_t* text, int32_t flag),   \
    (AVolumeHandle, text, flag), 0)                                                          \
  X(StopAnalyze, 11, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)

#define TW_LINK_RESUME_ANALYZE(X) \
  X(ResumeAnalyze, 10, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)

#define TW_LINK_PAUSE_ANALYZE(X) \
  X(PauseAnalyze, 9, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)

#define TW_LINK_START_AND_STOP_DEFRAG(X)                                          \
  X(StartDefrag, 8, int32_t, (int32_t AVolumeHandle, int32_t mode, int32_t flag), \
    (AVolumeHandle, mode, flag), 0)                                               \
  X(StopDefrag, 7, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)

#define TW_LINK_RESUME_DEFRAG(X) \
  X(ResumeDefrag, 6, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)

#define TW_LINK_PAUSE_DEFRAG(X) \
  X(PauseDefrag, 5, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)

#define TW_LINK_EXPORTS_FROM_IS_GUI(X)                                       \
  X(isGUI, 4, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)           \
  X(GetThreadHandle, 3, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0) \
  X(ForceTerminate, 2, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)  \
  X(GenerateHtmlReport, 1, int32_t, TW_LINK_HANDLE_ONLY, TW_LINK_HANDLE_ARG, 0)

// The exports in declaration (ordinal) order.
#define TW_LINK_EXPORTS(X)           \
  TW_LINK_EXPORTS_TO_STOP_ANALYZE(X) \
  TW_LINK_RESUME_ANALYZE(X)          \
  TW_LINK_PAUSE_ANALYZE(X)           \
  TW_LINK_START_AND_STOP_DEFRAG(X)   \
  TW_LINK_RESUME_DEFRAG(X)           \
  TW_LINK_PAUSE_DEFRAG(X)            \
  TW_LINK_EXPORTS_FROM_IS_GUI(X)

// The same exports in the order of the hosts' function table: each Pause before its Resume.
#define TW_LINK_HOST_SLOTS(X)        \
  TW_LINK_EXPORTS_TO_STOP_ANALYZE(X) \
  TW_LINK_PAUSE_ANALYZE(X)           \
  TW_LINK_RESUME_ANALYZE(X)          \
  TW_LINK_START_AND_STOP_DEFRAG(X)   \
  TW_LINK_PAUSE_DEFRAG(X)            \
  TW_LINK_RESUME_DEFRAG(X)           \
  TW_LINK_EXPORTS_FROM_IS_GUI(X)

#define TW_LINK_EXPORT_COUNT 58
