#pragma once
// Owning handles for the scene's GDI objects: each gives its object back once,
// when reset or when it goes, so no release is written out by hand.
#include <windows.h>

#include <utility>

// One handle, given back by `Deleter` when reset or when it goes.
template <typename Handle, typename Deleter>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { Reset(); }

  Handle get() const { return handle_; }
  operator Handle() const { return handle_; }
  void Reset(Handle handle = nullptr) {
    if (handle_ != nullptr) Deleter()(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteMemoryDc {
  void operator()(HDC dc) const { DeleteDC(dc); }
};

// A pen, brush, bitmap or font: DeleteObject.
template <typename Handle>
using GdiObject = OwnedHandle<Handle, DeleteGdiObject>;

// A memory device context: DeleteDC.
using MemoryDc = OwnedHandle<HDC, DeleteMemoryDc>;

// A window's device context from GetDC: ReleaseDC.
class WindowDc {
 public:
  WindowDc() = default;
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() { Reset(); }

  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }
  void Reset(HWND window = nullptr, HDC dc = nullptr) {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
    window_ = window;
    dc_ = dc;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// An object selected into a device context: restoring selects back what it
// replaced, so the object can be deleted.
class Selection {
 public:
  Selection() = default;
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { Restore(); }

  void Select(HDC dc, HGDIOBJ object) {
    Restore();
    dc_ = dc;
    replaced_ = SelectObject(dc, object);
  }
  void Restore() {
    if (dc_ != nullptr && replaced_ != nullptr) SelectObject(dc_, replaced_);
    dc_ = nullptr;
    replaced_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
};
