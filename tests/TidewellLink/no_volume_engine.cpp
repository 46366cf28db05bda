// An engine library without "GetVolumeIntf" (test code).
#include <windows.h>
extern "C" __declspec(dllexport) int __stdcall SomethingElse(void) { return 0; }
