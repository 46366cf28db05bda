#include "TidewellLink/thread_text_slot.h"

#include <windows.h>

#include <map>

namespace {

typedef std::map<const void*, std::wstring> ThreadSlots;

void WINAPI FreeThreadSlots(void* slots) { delete static_cast<ThreadSlots*>(slots); }

// Set up while the library loads; the callback frees a thread's slots as the thread ends.
const DWORD g_slots_index = FlsAlloc(FreeThreadSlots);

}  // namespace

std::wstring& ThreadTextSlot(const void* getter) {
  ThreadSlots* slots = static_cast<ThreadSlots*>(FlsGetValue(g_slots_index));
  if (!slots) {
    slots = new ThreadSlots();
    // In a process that has used up its fiber-local slots this fails, and each call gets
    // slots of its own that are never freed: the texts stay valid at the cost of memory.
    FlsSetValue(g_slots_index, slots);
  }
  return (*slots)[getter];
}
