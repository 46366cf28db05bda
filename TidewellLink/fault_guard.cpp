#include "fault_guard.h"

#include <windows.h>

namespace {

// Informational exceptions (debug output, thread naming) are left to whoever
// raised them; everything else that reaches the guard ends the guarded call.
bool ShouldStop(DWORD code) {
  return code != 0x40010006 /* DBG_PRINTEXCEPTION_C */ &&
         code != 0x4001000A /* DBG_PRINTEXCEPTION_WIDE_C */ && code != 0x406D1388 /* thread name */;
}

}  // namespace

#if defined(__x86_64__)

// x86_64 dispatches exceptions from unwind tables: a small assembly frame
// carries a scope entry for the C-specific handler, whose filter below picks
// the exceptions to stop; the handler unwinds the stack to the landing label.
extern "C" LONG tw_guard_filter(EXCEPTION_POINTERS* pointers, void* /*frame*/) {
  return ShouldStop(pointers->ExceptionRecord->ExceptionCode) ? EXCEPTION_EXECUTE_HANDLER
                                                              : EXCEPTION_CONTINUE_SEARCH;
}

extern "C" int tw_guarded_call(void (*fn)(void*), void* context);

asm(R"(
    .text
    .globl tw_guarded_call
    .def tw_guarded_call; .scl 2; .type 32; .endef
    .seh_proc tw_guarded_call
tw_guarded_call:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %rcx, %rax
    movq %rdx, %rcx
.Ltw_guard_begin:
    callq *%rax
    nop
.Ltw_guard_end:
    xorl %eax, %eax
    addq $40, %rsp
    ret
.Ltw_guard_landing:
    movl $1, %eax
    addq $40, %rsp
    ret
    .seh_handler __C_specific_handler, @except
    .seh_handlerdata
    .long 1
    .rva .Ltw_guard_begin, .Ltw_guard_end, tw_guard_filter, .Ltw_guard_landing
    .text
    .seh_endproc
)");

bool CallWithFaultGuard(void (*fn)(void*), void* context) {
  return tw_guarded_call(fn, context) == 0;
}

#elif defined(__i386__)

// i686 dispatches exceptions along the chain of registration records at
// fs:[0]. The guard pushes its own record; its handler unwinds the inner
// records and jumps back into CallWithFaultGuard.
namespace {

struct GuardRecord {
  EXCEPTION_REGISTRATION_RECORD registration;  // first: fs:[0] points here
  void* resume[5];                             // __builtin_setjmp buffer
};

EXCEPTION_REGISTRATION_RECORD* CurrentChain() {
  EXCEPTION_REGISTRATION_RECORD* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChain(EXCEPTION_REGISTRATION_RECORD* head) {
  asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  if (!ShouldStop(record->ExceptionCode)) return ExceptionContinueSearch;
  // Kept in memory: RtlUnwind need not preserve the callee-saved registers.
  GuardRecord* volatile guard = static_cast<GuardRecord*>(frame);
  // Give the inner frames their unwind calls; afterwards fs:[0] is our record.
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(guard->resume, 1);
}

}  // namespace

bool CallWithFaultGuard(void (*fn)(void*), void* context) {
  GuardRecord guard;
  guard.registration.Next = CurrentChain();
  guard.registration.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&GuardHandler);
  SetChain(&guard.registration);
  if (__builtin_setjmp(guard.resume)) {
    SetChain(guard.registration.Next);
    return false;
  }
  fn(context);
  SetChain(guard.registration.Next);
  return true;
}

#else
#error "unsupported target"
#endif
