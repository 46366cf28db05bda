// How an export reaches the engine: look the handle up (keeping its object
// alive for the call), call one IVolume operation inside the failure guard,
// and reduce every failure to the export's default.

#pragma once

#include "TidewellLink/debug_log.h"
#include "TidewellLink/fault_guard.h"
#include "TidewellLink/handle_table.h"
#include "TidewellLink/thread_text_slot.h"

#include <cstdint>
#include <string>

enum class EngineOutcome { InvalidHandle, Failed, Done };

// call(IVolume*) -> HRESULT. Failed: no volume, a fault, an exception or a
// failure HRESULT.
template <class Call>
EngineOutcome CallEngine(int32_t handle, Call&& call) {
  std::shared_ptr<TVolumeHandle> object = FindVolumeHandle(handle);
  if (!object) return EngineOutcome::InvalidHandle;
  IVolume* volume = object->Volume();
  if (!volume) return EngineOutcome::Failed;
  HRESULT result = E_FAIL;
  bool returned = RunGuarded([&] { result = call(volume); });
  return returned && SUCCEEDED(result) ? EngineOutcome::Done : EngineOutcome::Failed;
}

// Runs an export's body; anything it throws becomes the default answer.
template <class Result, class Body>
Result Shielded(Result fallback, Body&& body) {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

// call(IVolume*, T*) -> HRESULT; the value, or T() on any failure.
template <class T, class Call>
T AskValue(int32_t handle, Call&& call) {
  return Shielded(T(), [&] {
    T value = T();
    EngineOutcome outcome =
        CallEngine(handle, [&](IVolume* volume) { return call(volume, &value); });
    return outcome == EngineOutcome::Done ? value : T();
  });
}

// Whether a text the engine handed out can be a real one: its length fits a slot and
// its last unit lies inside the address space. One that cannot is neither read nor freed
// (on i686 a length prefix near 4 GB wraps the address round to readable memory).
inline bool IsPossibleEngineText(BSTR text, UINT length, const std::wstring& slot) {
  const uintptr_t room = UINTPTR_MAX - reinterpret_cast<uintptr_t>(text);
  return length <= slot.max_size() && length <= room / sizeof(wchar_t);
}

// Copies an engine text of `length` units into slot. The last unit is read first, so that
// a length prefix claiming more than there is faults before anything is allocated for it.
inline void CopyEngineText(BSTR text, UINT length, std::wstring& slot) {
  if (length > 0) static_cast<void>(static_cast<const volatile wchar_t*>(text)[length - 1]);
  slot.assign(text ? text : L"", length);
}

// Takes a text the engine handed out together with `result`: copied into slot when the
// call succeeded, and freed on every path, a failed call's text too. A text that cannot
// be a real one is refused (E_FAIL) and left alone. Belongs inside the guarded call: a
// text that cannot be read ends it.
inline HRESULT TakeEngineText(HRESULT result, BSTR text, std::wstring& slot) {
  const UINT length = text ? SysStringLen(text) : 0;
  if (!IsPossibleEngineText(text, length, slot)) return E_FAIL;
  try {
    if (SUCCEEDED(result)) CopyEngineText(text, length, slot);
  } catch (...) {
    SysFreeString(text);
    throw;
  }
  SysFreeString(text);
  return result;
}

// call(IVolume*, BSTR*) -> HRESULT. The text stays in a per-thread slot of
// this export until the same thread asks this export again; an empty engine
// text gives "", NULL means failure.
template <class Call>
const wchar_t* AskText(int32_t handle, Call&& call) {
  return Shielded<const wchar_t*>(nullptr, [&]() -> const wchar_t* {
    std::wstring& slot = ThreadTextSlotOf<Call>();
    EngineOutcome outcome = CallEngine(handle, [&](IVolume* volume) {
      BSTR text = nullptr;
      const HRESULT result = call(volume, &text);
      return TakeEngineText(result, text, slot);
    });
    return outcome == EngineOutcome::Done ? slot.c_str() : nullptr;
  });
}

// call(IVolume*) -> HRESULT; 1 when the engine accepted it, else 0 (and the
// failure line, when given, for a valid handle).
template <class Call>
int32_t Act(int32_t handle, Call&& call, const wchar_t* failure_line = nullptr) {
  EngineOutcome outcome = Shielded(EngineOutcome::Failed, [&] { return CallEngine(handle, call); });
  if (outcome == EngineOutcome::Failed && failure_line) DebugLog(failure_line);
  return outcome == EngineOutcome::Done ? 1 : 0;
}

inline const wchar_t* TextOrEmpty(const wchar_t* text) { return text ? text : L""; }

inline uint8_t LowByte(int32_t flag) { return static_cast<uint8_t>(flag & 0xFF); }
