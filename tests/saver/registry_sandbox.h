#pragma once
// Test helpers for the settings key: an in-process redirect of HKEY_CURRENT_USER, and a
// snapshot that puts back what child processes change in the shared test prefix.
#include <windows.h>

#include <string>
#include <vector>

// Redirects HKEY_CURRENT_USER of this process into a fresh private key while it lives.
class CurrentUserSandbox {
 public:
  CurrentUserSandbox();
  ~CurrentUserSandbox();
  CurrentUserSandbox(const CurrentUserSandbox&) = delete;
  CurrentUserSandbox& operator=(const CurrentUserSandbox&) = delete;

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

// One value of the settings key as raw bytes; `present` false when it does not exist.
struct StoredValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

StoredValue ReadSettingsValue(const wchar_t* name);
void WriteSettingsText(const wchar_t* name, const wchar_t* text);
void DeleteSettingsValue(const wchar_t* name);
// The value as text (empty when missing), cut at its first NUL.
std::wstring SettingsText(const wchar_t* name);

// Remembers the settings values and restores them (deleting added ones) when it ends.
class SettingsSnapshot {
 public:
  SettingsSnapshot();
  ~SettingsSnapshot();
  SettingsSnapshot(const SettingsSnapshot&) = delete;
  SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

 private:
  std::vector<std::pair<std::wstring, StoredValue>> values_;
};
