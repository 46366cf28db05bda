// An engine library "Tidewell.dll" whose volumes write down every call they receive
// (test code): the bridge's forwarding is checked against what the engine saw, and the
// references it takes and gives back against the counts of the engine's objects.

#pragma once

#include <cstdint>

#include "TidewellLink/engine_interfaces.h"

// Every number getter of a recording volume answers one of these; every text getter
// answers its own method's name (a failing one hands it out too); the exclusion list holds
// "x" and "y".
constexpr int64_t kRecordedInt64 = 0x0123456789ABCDEF;
constexpr int32_t kRecordedInt32 = -19088744;  // 0xFEDCBA98: the sign bit set

// The calls since the last take, as "Method(arguments)" joined by "; ", and forgets them.
// The text stays valid until the next take.
typedef const wchar_t*(__stdcall* TwRecTakeCallsProc)();
// The method of this name (of IVolume or of the exclusion list) fails from now on;
// an empty name: none fails.
typedef void(__stdcall* TwRecFailProc)(const wchar_t* method);

// The objects of the last "GetVolumeIntf", none counted for the reader. The engine holds one
// reference of its own on the volume (two when the test sets `counts_stored_volume`), the
// volume one on its list (which "GetExclusionList" hands out uncounted), and the engine two
// on the callback object, which the test gives back.
struct RecordedObjects {
  bool counts_stored_volume = false;
  IVolume* volume = nullptr;
  IExclusionList* list = nullptr;
  ICallback* callback = nullptr;
};
typedef RecordedObjects*(__stdcall* TwRecObjectsProc)();

// What the text getters and the list's items hand out (set by the test): a BSTR of the
// name, a pointer nothing can be read from, or a plain text whose length prefix claims far
// more than there is: 256 MB, or nearly 4 GB (which wraps the address on i686).
enum class GivenText : int32_t { Name, Unreadable, HugeLength, WrappingLength };
// The BSTRs handed out are counted until they come back through SysFreeString (seen by a
// spy on the task allocator, with the BSTR cache off); so are the plain texts passed to it.
struct RecordedTexts {
  GivenText given = GivenText::Name;
  int32_t not_freed = 0;
  int32_t plain_freed = 0;
};
typedef RecordedTexts*(__stdcall* TwRecTextsProc)();
