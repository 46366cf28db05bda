#pragma once
// Helpers shared by the scene's tests (and the paint benchmark): logs, drives, settings,
// and a real scene in a real window with pixel access to what reached the window.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/drive_list/drive_list.h"
#include "core/scene/saver_scene.h"
#include "tests/core/scene/scene_probe.h"
using Log = std::vector<std::wstring>;

// Every message since the start while no slide has run: the top line, then the queue.
Log LoggedMessages(const SaverScene& scene);

// The messages one to a line, for failure output.
std::string Narrow(const Log& log);

// Appends a drive with this root path to the list.
void AddDrive(DiskList* drives, const wchar_t* root, bool selected);

// The end-of-cycle line for a stored time, built from the platform's own
// local-time conversion (not the runtime's that the scene uses).
std::wstring ExpectedEndLine(int64_t seconds);

// The stored "LastDefrag" text; "(absent)" when there is none.
std::wstring StoredLastDefrag();

// Removes the scene's two settings from the user's key.
void DeleteSceneSettings();

// The test's clock, read by the scenes that tests drive frame by frame.
extern int64_t g_test_now;

// The pixels of a device context's drawing surface, top row first, as
// 32-bit words 0x00RRGGBB; at() gives them in COLORREF form. A pixel outside
// the surface fails the running test and reads as CLR_INVALID, which matches
// no colour (left or right of a row it would otherwise read a neighbouring row).
struct Capture {
  int width = 0, height = 0;
  std::vector<uint32_t> words;
  COLORREF at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Outside(x, y);
    const uint32_t w = words[static_cast<size_t>(y) * width + x];
    return RGB((w >> 16) & 0xFF, (w >> 8) & 0xFF, w & 0xFF);
  }
  COLORREF Outside(int x, int y) const;
};
Capture CaptureDc(HDC dc, int width, int height);

// Writes a capture as a 32-bit BMP file; false on failure.
bool SaveBmp(const Capture& capture, const std::wstring& path);

// Top-left corner of cell i; the window's pixels as they are now.
POINT CellOrigin(const SaverScene& scene, int i);
Capture CaptureWindow(const SaverScene& scene);

struct SceneHarness {
  DiskList drives;
  std::unique_ptr<SaverScene> scene{new SaverScene(&drives, false)};
  HWND window = nullptr;

  // Creates the scene in a client area of width x height; its resources (the
  // shine picture) come from the test program. A scene driven by the test
  // reads g_test_now and has no frame timer; otherwise it keeps its clock and timer.
  bool Create(int width, int height, bool driven_by_test = true);
  ~SceneHarness();
  POINT CellOrigin(int i) const { return ::CellOrigin(*scene, i); }
  Capture CaptureWindow() const { return ::CaptureWindow(*scene); }
};
