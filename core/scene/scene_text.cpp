// The scene's text services: measuring in the scene font, fitting the status
// line, and the decimal texts of the log.
#include "core/scene/saver_scene.h"
#include "core/scene/text_format.h"

int SaverScene::GetTextWidth(const wchar_t* text, int length, SIZE* size) {
  SIZE extent = {};
  if (measure_text != nullptr) {
    extent.cx = measure_text(text, length);
    if (size != nullptr) *size = extent;
    return extent.cx;
  }
  if (!GetTextExtentPoint32W(resources.window_dc, text, length, &extent)) return 0;
  if (size != nullptr) *size = extent;
  return extent.cx;
}

std::wstring SaverScene::FitPathToWidth(std::wstring path) {
  return FitPathToMeasure(path, layout.grid_width,
                          [this](const wchar_t* text, int length, int* extents) {
                            if (measure_text != nullptr) {
                              for (int i = 0; i < length; ++i)
                                extents[i] = measure_text(text, i + 1);
                              return true;
                            }
                            // One call gives the width of every leading part (no fit count asked:
                            // all of them).
                            SIZE size;
                            return GetTextExtentExPointW(resources.window_dc, text, length, 0,
                                                         nullptr, extents, &size) != FALSE;
                          });
}

std::wstring SaverScene::FormatInt64(int64_t value) { return FormatDecimal(value); }

std::wstring SaverScene::FormatInt64Grouped(int64_t value) { return FormatDecimalGrouped(value); }

std::wstring SaverScene::FormatInt(int32_t value) { return FormatDecimal(value); }

void SaverScene::ShowMessage(const wchar_t* text) { MessageBoxW(window, text, L"Message", MB_OK); }

void SaverScene::ShowNumber(int32_t value) {
  const std::wstring wide = FormatDecimal(value);
  const std::string digits(wide.begin(), wide.end());  // digits and "-" only
  MessageBoxA(window, digits.c_str(), "Message", MB_OK);
}
