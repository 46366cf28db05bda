// An engine library without "GetVolumeIntf" (test code): the bridge must
// still hand out handles, whose every function answers its default.

#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall SomethingElse(void) { return 0; }
