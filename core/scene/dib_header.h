#pragma once
// The header of a 32-bit device-independent bitmap without a colour table, as
// the scene's pictures and its back buffer use it.
#include <windows.h>

// A positive height gives rows bottom-up, a negative one top row first.
inline BITMAPINFO Dib32Header(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}
