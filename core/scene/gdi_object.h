#pragma once
// Owning handles for the scene's GDI objects: each gives its object back once,
// when reset or when it goes, so no release is written out by hand.
#include <windows.h>

#include <utility>

// A pen, brush, bitmap or font: DeleteObject.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { Reset(); }

  Handle get() const { return handle_; }
  operator Handle() const { return handle_; }
  void Reset(Handle handle = nullptr) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

// A memory device context: DeleteDC.
class MemoryDc {
 public:
  MemoryDc() = default;
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() { Reset(); }

  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }
  void Reset(HDC dc = nullptr) {
    if (dc_ != nullptr) DeleteDC(dc_);
    dc_ = dc;
  }

 private:
  HDC dc_ = nullptr;
};

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
