#include "twsaverx/error_log.h"

#include <windows.h>

namespace {

std::string ToUtf8(const wchar_t* text) {
  int length = static_cast<int>(wcslen(text));
  if (length == 0) return std::string();
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace

void WriteErrorLog(const std::wstring& log_path, const wchar_t* message) {
  HANDLE file = CreateFileW(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // the message is lost; nothing else to do
  std::string line;
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(file, &size) && size.QuadPart == 0) line = "\xEF\xBB\xBF";
  line += ToUtf8(message);
  line += "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}
