#include "tests/core/scene/scene_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>

#include "core/drive_list/registry_text.h"
#include "core/scene/dib_header.h"
#include "tests/support/test_support.h"
Log LoggedMessages(const SaverScene& scene) {
  SceneProbe probe(scene);
  Log log;
  if (!probe.log_lines[0].empty()) log.push_back(probe.log_lines[0]);
  log.insert(log.end(), probe.pending_log.begin(), probe.pending_log.end());
  return log;
}

std::string Narrow(const Log& log) {
  std::string text;
  for (const std::wstring& line : log) text += std::string(line.begin(), line.end()) + "\n";
  return text;
}

void AddDrive(DiskList* drives, const wchar_t* root, bool selected) {
  DiskInfo disk;
  disk.letter = root[0];
  wcscpy(disk.root_path, root);
  disk.selected = selected ? 1 : 0;
  drives->disks.push_back(disk);
}

std::wstring ExpectedEndLine(int64_t seconds) {
  const uint64_t ticks = (static_cast<uint64_t>(seconds) + 11644473600ull) * 10000000ull;
  FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  FILETIME local;
  SYSTEMTIME t;
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &t);
  const int hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
  wchar_t text[64];
  swprintf(text, 64, L"Defragmented on %02d/%02d/%04d at %02d:%02d %ls", t.wDay, t.wMonth, t.wYear,
           hour12, t.wMinute, t.wHour < 12 ? L"AM" : L"PM");
  return text;
}

std::wstring StoredLastDefrag() {
  wchar_t text[32] = {};
  const LONG rc = ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"LastDefrag", text, 32);
  return rc == ERROR_SUCCESS ? text : L"(absent)";
}

void DeleteSceneSettings() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, L"LastDefrag");
    RegDeleteValueW(key, L"IdleAnimation");
    RegCloseKey(key);
  }
}

int64_t g_test_now = 1000000;

namespace {
int64_t TestClock() { return g_test_now; }
}  // namespace

COLORREF Capture::Outside(int x, int y) const {
  ADD_FAILURE() << "pixel " << x << "," << y << " read outside the " << width << "x" << height
                << " capture";
  return CLR_INVALID;
}

Capture CaptureDc(HDC dc, int width, int height) {
  Capture capture;
  BITMAPINFO info = Dib32Header(width, -height);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr) return capture;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  GdiFlush();
  capture.width = width;
  capture.height = height;
  const uint32_t* words = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
    capture.words.push_back(words[i] & 0xFFFFFF);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(section);
  return capture;
}

bool SaveBmp(const Capture& capture, const std::wstring& path) {
  const BITMAPINFO info = Dib32Header(capture.width, -capture.height);
  const std::vector<uint32_t>& words = capture.words;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(words.size() * 4);
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  const bool ok = fwrite(&file, sizeof file, 1, out) == 1 &&
                  fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                  fwrite(words.data(), words.size() * 4, 1, out) == 1;
  return fclose(out) == 0 && ok;
}

bool SceneHarness::Create(int width, int height, bool driven_by_test) {
  SceneProbe probe(*scene);
  if (driven_by_test) probe.clock = TestClock;
  window = MakeTestWindow(width, height, WS_EX_TOPMOST);
  if (window == nullptr || !scene->Create(window, GetModuleHandleW(nullptr))) return false;
  if (driven_by_test) {
    KillTimer(window, probe.frame_timer);
    probe.frame_timer = 0;
  }
  return true;
}

SceneHarness::~SceneHarness() {
  scene->Destroy();
  if (window != nullptr) DestroyWindow(window);
}

POINT CellOrigin(const SaverScene& s, int i) {
  SceneProbe p(s);
  return {p.left + (i % grid_columns) * p.cell_pitch,
          p.grid_top + (i / grid_columns) * p.cell_pitch};
}

Capture CaptureWindow(const SaverScene& s) {
  SceneProbe p(s);
  HDC dc = GetDC(p.window);
  Capture capture = CaptureDc(dc, p.width, p.height);
  ReleaseDC(p.window, dc);
  return capture;
}
