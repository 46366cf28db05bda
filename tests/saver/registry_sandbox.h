#pragma once
// Test helpers for the values of the settings key.
#include <windows.h>

#include <string>

// Type and size in bytes of a settings value; 0 and 0 when it does not exist.
struct StoredValue {
  DWORD type = 0;
  DWORD bytes = 0;
  bool present() const { return bytes != 0 || type != 0; }
};
StoredValue ReadSettingsValue(const wchar_t* name);
void WriteSettingsText(const wchar_t* name, const wchar_t* text);
void DeleteSettingsValue(const wchar_t* name);
// The value as text (empty when missing), cut at its first NUL.
std::wstring SettingsText(const wchar_t* name);
// Deletes the values the programs write, so a test leaves the shared prefix as it found it.
void DeleteAllSettingsValues();
