// The reference counting and QueryInterface shared by every COM-style object
// on either side of the engine boundary (the bridge's callback object, the
// simulated engine's objects).

#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

// Implements IUnknown for one interface with identifier iid. The object
// frees itself with the last Release; references may move between threads.
template <class Interface, const GUID& iid>
class ComObject : public Interface {
 public:
  explicit ComObject(ULONG initial_references) : reference_count(initial_references) {}
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT __stdcall QueryInterface(REFIID asked, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualGUID(asked, iid) || IsEqualGUID(asked, IID_IUnknown)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  ULONG __stdcall AddRef() override { return ++reference_count; }

  ULONG __stdcall Release() override {
    ULONG remaining = --reference_count;
    if (remaining == 0) delete this;
    return remaining;
  }

 protected:
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> reference_count;
};
