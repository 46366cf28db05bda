#pragma once
// Helpers of the worker's tests: scratch folders, registry values put back as they were,
// files read as bytes, and waiting with a deadline.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A fresh folder under the temporary directory, removed with its contents at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }
  std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Remembers one registry value (or its absence) and restores it when it goes.
class SavedRegistryValue {
 public:
  SavedRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name);
  ~SavedRegistryValue();

 private:
  HKEY root_;
  std::wstring subkey_;
  std::wstring name_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// Raw access for the tests' own setup and checks.
void SetRawValue(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD type,
                 const void* data, DWORD bytes);
void SetText(HKEY root, const wchar_t* subkey, const wchar_t* name, const std::wstring& text);
void DeleteValue(HKEY root, const wchar_t* subkey, const wchar_t* name);
// False when the value is missing; otherwise its type and bytes.
bool GetRawValue(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD* type,
                 std::vector<BYTE>* data);
std::vector<BYTE> TextBytesWithTerminator(const std::wstring& text);

bool FileExists(const std::wstring& path);
std::vector<BYTE> ReadFileBytes(const std::wstring& path);
std::vector<BYTE> Utf16LeBytes(const std::wstring& text);
void RemoveTree(const std::wstring& path);

// Polls `done` every 20 ms until it holds or `timeout_ms` passes, pumping this thread's
// messages meanwhile. Returns the last answer.
bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms);

// The folder of the running test executable (the build's bin folder).
std::wstring TestBinaryFolder();
