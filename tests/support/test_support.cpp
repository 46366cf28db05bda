#include "tests/support/test_support.h"

#include <cwchar>
#include <fstream>
#include <iterator>
#include <vector>

HWND MakeTestWindow(int width, int height, DWORD ex_style) {
  static const ATOM atom = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TidewellTestWindow";
    return RegisterClassW(&wc);
  }();
  (void)atom;
  return CreateWindowExW(ex_style, L"TidewellTestWindow", L"test", WS_POPUP | WS_VISIBLE, 0, 0,
                         width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::wstring TestProgramDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length);
  directory.resize(directory.find_last_of(L'\\') + 1);
  return directory;
}

std::wstring ProgramSubdirectory() {
  return TestProgramDirectory() + L"Orbenlake Tidewell ScreenSaver";
}

namespace {

struct WindowQuery {
  DWORD process_id;
  const wchar_t* class_name;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  WindowQuery* query = reinterpret_cast<WindowQuery*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != query->process_id) return TRUE;
  wchar_t text[256] = L"";
  GetClassNameW(window, text, 256);
  if (wcscmp(text, query->class_name) != 0) return TRUE;
  if (query->title != nullptr) {
    GetWindowTextW(window, text, 256);
    if (wcscmp(text, query->title) != 0) return TRUE;
  }
  query->found = window;
  return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title) {
  WindowQuery query = {process_id, class_name, title, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

DWORD TestTimeScale() {
  static const DWORD scale = [] {
    wchar_t text[16] = L"";
    DWORD length = GetEnvironmentVariableW(L"TW_TEST_TIME_SCALE", text, 16);
    DWORD value = length > 0 && length < 16 ? wcstoul(text, nullptr, 10) : 0;
    return value >= 1 && value <= 100 ? value : 1;
  }();
  return scale;
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  timeout_ms *= TestTimeScale();
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

bool SystemDriveShown() {
  ULARGE_INTEGER total = {};
  return GetDriveTypeW(L"C:\\") == DRIVE_FIXED &&
         GetDiskFreeSpaceExW(L"C:\\", nullptr, &total, nullptr) && total.QuadPart != 0;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void ClearSimEnvironment() {
  std::vector<std::wstring> names;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
      if (wcsncmp(entry, L"TW_SIM_", 7) == 0)
        names.emplace_back(entry, wcschr(entry, L'=') - entry);
    }
    FreeEnvironmentStringsW(block);
  }
  for (const std::wstring& name : names) SetEnvironmentVariableW(name.c_str(), nullptr);
}

bool PlaceCursor(int x, int y) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    SetCursorPos(x, y);
    // Once the last change is 100 ms old, wine asks the display where the pointer is.
    Sleep(150);
    POINT at = {};
    if (GetCursorPos(&at) && at.x == x && at.y == y) return true;
  }
  return false;
}
