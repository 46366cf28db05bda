// A failure guard for calls into foreign code (the engine, the host's
// callbacks). g++ has no __try, so this is the project's own: a structured
// exception frame (a registration record on i686, an unwind-table handler on
// x86_64) stops processor faults and exceptions raised with RaiseException,
// and a catch(...) stops C++ exceptions. Either way the guarded body is
// abandoned and the caller answers its default.
//
// Only exceptions that no frame inside the body handles reach the guard, so
// foreign code keeps using its own exceptions internally. Objects with
// destructors belong outside the guarded body: a fault skips their cleanup
// on i686.

#pragma once

#include <cstdint>

// Runs fn(context); answers true when it returned, false when a structured
// exception (processor fault, RaiseException) ended it.
bool CallWithFaultGuard(void (*fn)(void*), void* context);

// Runs body(); answers true when it returned normally, false when a C++
// exception or a structured exception ended it.
template <class Body>
bool RunGuarded(Body&& body) {
  struct Context {
    Body* body;
    bool threw;
  };
  Context context{&body, false};
  auto thunk = [](void* raw) {
    Context* c = static_cast<Context*>(raw);
    try {
      (*c->body)();
    } catch (...) {
      c->threw = true;
    }
  };
  bool returned = CallWithFaultGuard(thunk, &context);
  return returned && !context.threw;
}
