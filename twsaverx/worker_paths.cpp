#include "twsaverx/worker_paths.h"

#include <windows.h>

#include <vector>

std::wstring GetWorkerExePath() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // cut: try a larger room
  }
}

std::wstring DirectoryOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(0, slash);
}

std::wstring TaskXmlPathIn(const std::wstring& directory) { return directory + L"\\task.xml"; }

std::wstring ErrorLogPathIn(const std::wstring& directory) { return directory + L"\\error.log"; }

namespace {

std::wstring EnvironmentValue(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::vector<wchar_t> buffer(size);
  DWORD length = GetEnvironmentVariableW(name, buffer.data(), size);
  if (length == 0 || length >= size) return std::wstring();
  return std::wstring(buffer.data(), length);
}

std::wstring SystemDirectory() {
  UINT size = GetSystemDirectoryW(nullptr, 0);
  if (size == 0) return std::wstring();
  std::vector<wchar_t> buffer(size);
  UINT length = GetSystemDirectoryW(buffer.data(), size);
  if (length == 0 || length >= size) return std::wstring();
  return std::wstring(buffer.data(), length);
}

}  // namespace

std::wstring SchtasksPath() {
  std::wstring root = EnvironmentValue(L"SystemRoot");
  if (!root.empty()) return root + L"\\System32\\schtasks.exe";
  return SystemDirectory() + L"\\schtasks.exe";
}
