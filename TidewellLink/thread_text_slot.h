// The per-thread slots in which the text getters hand out their texts: one slot per getter
// and thread, valid until the same thread asks that getter again, freed when the thread ends.
//
// Not a thread_local std::wstring: a thread-local object with a destructor makes the runtime
// register a thread-exit key, and delete it when the library is detached at process end.
// That delete waits, under the loader lock, for the key lock that every thread ending takes;
// a thread that ended without giving it back (one cut short by the process exit) leaves the
// host hanging at exit. These slots are freed by a fiber-local storage callback instead.

#pragma once

#include <string>

// The calling thread's slot for `getter` (any address that names one getter). Allocates the
// thread's slots on its first call: it can throw std::bad_alloc.
std::wstring& ThreadTextSlot(const void* getter);

// The calling thread's slot of the getter that Tag stands for.
template <class Tag>
std::wstring& ThreadTextSlotOf() {
  static const char getter = 0;
  return ThreadTextSlot(&getter);
}
