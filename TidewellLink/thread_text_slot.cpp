#include "TidewellLink/thread_text_slot.h"

#include "TidewellLink/engine_loader.h"

#include <windows.h>

#include <map>

namespace {

typedef std::map<const void*, std::wstring> ThreadSlots;

void WINAPI FreeThreadSlots(void* slots) { delete static_cast<ThreadSlots*>(slots); }

// The fiber-local index whose callback frees a thread's slots as the thread ends. The
// callback is code of this library, called at the end of every thread that holds slots:
// from the first slot on, the library stays loaded.
DWORD SlotsIndex() {
  static const DWORD index = [] {
    PinThisLibrary();
    return FlsAlloc(FreeThreadSlots);
  }();
  return index;
}

}  // namespace

std::wstring& ThreadTextSlot(const void* getter) {
  const DWORD index = SlotsIndex();
  ThreadSlots* slots = static_cast<ThreadSlots*>(FlsGetValue(index));
  if (!slots) {
    slots = new ThreadSlots();
    // In a process that has used up its fiber-local slots this fails, and each call gets
    // slots of its own that are never freed: the texts stay valid at the cost of memory.
    FlsSetValue(index, slots);
  }
  return (*slots)[getter];
}
