#include "tests/worker/worker_test_support.h"

#include <cstdio>

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH + 1] = L"";
  GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  for (;;) {
    wchar_t name[64];
    swprintf(name, 64, L"twworker-%lu-%u", GetCurrentProcessId(), ++counter);
    path_ = std::wstring(temp) + name;
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

SavedRegistryValue::SavedRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name)
    : root_(root), subkey_(subkey), name_(name) {
  existed_ = GetRawValue(root, subkey, name, &type_, &data_);
}

SavedRegistryValue::~SavedRegistryValue() {
  if (existed_) {
    SetRawValue(root_, subkey_.c_str(), name_.c_str(), type_, data_.data(),
                static_cast<DWORD>(data_.size()));
  } else {
    DeleteValue(root_, subkey_.c_str(), name_.c_str());
  }
}

void SetRawValue(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD type,
                 const void* data, DWORD bytes) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
  RegCloseKey(key);
}

void SetText(HKEY root, const wchar_t* subkey, const wchar_t* name, const std::wstring& text) {
  std::vector<BYTE> bytes = TextBytesWithTerminator(text);
  SetRawValue(root, subkey, name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void DeleteValue(HKEY root, const wchar_t* subkey, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name);
  RegCloseKey(key);
}

bool GetRawValue(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD* type,
                 std::vector<BYTE>* data) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD bytes = 0;
  LONG rc = RegQueryValueExW(key, name, nullptr, type, nullptr, &bytes);
  if (rc == ERROR_SUCCESS) {
    data->assign(bytes, 0);
    rc = RegQueryValueExW(key, name, nullptr, type, data->data(), &bytes);
    data->resize(bytes);
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

std::vector<BYTE> Utf16LeBytes(const std::wstring& text) {
  std::vector<BYTE> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>((c >> 8) & 0xFF));
  }
  return bytes;
}

std::vector<BYTE> TextBytesWithTerminator(const std::wstring& text) {
  std::vector<BYTE> bytes = Utf16LeBytes(text);
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<BYTE> ReadFileBytes(const std::wstring& path) {
  std::vector<BYTE> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  BYTE chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  CloseHandle(file);
  return bytes;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeout_ms) return done();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(20);
  }
}

std::wstring TestBinaryFolder() {
  wchar_t path[MAX_PATH * 2] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::wstring text = path;
  return text.substr(0, text.rfind(L'\\'));
}
