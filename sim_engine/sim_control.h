// The simulated engine "Tidewell.dll" (test code): configuration and probes.
//
// It implements every IVolume slot of TidewellLink/engine_interfaces.h over a
// made-up disk, reports cluster ranges and progress through ICallback from a
// worker thread of its own, and marks each run complete at its end. Like a
// real engine it takes no NULL text argument (E_POINTER).
//
// Configuration: environment variables, read when the DLL loads and again for
// every new volume (so a test process, a child process or the README's demo
// run can drive it, one test after another), and the same NAME=value
// assignments through TwSimConfigure at any time (in-process tests), kept on
// top of the environment until TW_SIM_RESET=1. A new setting applies to
// volumes and runs started afterwards; failure switches apply at once.
//
//   TW_SIM_SPEED=fast|demo    preset durations. demo (default): analysis ~4 s,
//                             defragmentation ~45 s, a report every 40 ms.
//                             fast: analysis 150 ms, defragmentation 300 ms,
//                             a report every 2 ms.
//   TW_SIM_ANALYZE_MS=n       length of one analysis in milliseconds
//   TW_SIM_DEFRAG_MS=n        length of one defragmentation in milliseconds
//   TW_SIM_REPORT_MS=n        pause between two progress reports; 0: no pause,
//                             one report per millisecond of the run's length
//   TW_SIM_CLUSTERS=n         cluster count of every volume (default 2000000)
//   TW_SIM_NO_VOLUME=1        "GetVolumeIntf" stores no volume (NULL)
//   TW_SIM_FAIL=m1,m2         these methods answer E_FAIL ("*": every method;
//                             e.g. OpenVolume = no admin rights, StartAnalyze)
//   TW_SIM_FAULT=m1,m2        these methods cause an access violation
//   TW_SIM_THROW=m1,m2        these methods throw a C++ exception (not on i686,
//                             where none can leave the module that throws it)
//   TW_SIM_RAISE=m1,m2        these methods call RaiseException (0xE0534D31)
//                             Method names are IVolume's, plus GetVolumeIntf,
//                             Release (the volume's) and the exclusion list's
//                             GetCount, GetItem, Clear and Add.
//   TW_SIM_TEXT=normal|empty|null   what the text getters answer
//   TW_SIM_VALUE=m:n,m:n      fixed answers of number getters, e.g.
//                             GetPercentDone:-1,GetFragmentation:17
//   TW_SIM_ODD_PERCENT=1      runs report percentages from -50 to 250
//   TW_SIM_BAD_RANGES=1       runs also report ranges outside 0..clusters-1
//                             and ranges whose first cluster is after the last
//   TW_SIM_EXCLUSIONS=a|b||c  the exclusion list of new volumes ('|' separates;
//                             empty entries are kept)
//   TW_SIM_SLOW=m:ms,m:ms     these methods (names as for TW_SIM_FAIL) take ms
//                             milliseconds to answer, e.g. GetPercentDone:2000
//   TW_SIM_DEEP_PATH=n        every current file is n characters long, nested in
//                             one-letter folders (32000: the platform's limit)
//
// Example (README demo): TW_SIM_SPEED=demo TW_SIM_CLUSTERS=3000000 wine64 twsaverx.exe
// Example (test): TwSimConfigure(L"TW_SIM_FAIL=OpenVolume");

#pragma once

#include <cstdint>

// Applies one "NAME=value" assignment; 1 when understood, 0 otherwise.
typedef int32_t(__stdcall* TwSimConfigureProc)(const wchar_t* assignment);

// Probes for tests; unknown names answer -1.
//   volumes_alive     IVolume objects not yet freed
//   callbacks_held    ICallback references the engine still holds
//   reports           notifications sent through ICallback so far
//   workers_running   worker threads not yet ended
//   slow_calls        calls of TW_SIM_SLOW methods waiting right now
//   last_engine_flag, last_skip_fragments, last_start_flag, last_defrag_mode
//                       the last values received
//   last_drive_pointer  the DriveName pointer of the last GetVolumeIntf
typedef int64_t(__stdcall* TwSimQueryProc)(const wchar_t* name);
