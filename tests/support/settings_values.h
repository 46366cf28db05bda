#pragma once
// Raw values of the programs' settings key (under HKCU or HKLM), for tests that check
// what the programs store byte for byte, and a sandbox that leaves the shared prefix as found.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

using Bytes = std::string;  // raw bytes of a value or a file

// The UTF-16LE bytes of `text`, with its terminator unless told otherwise.
Bytes Utf16Bytes(const std::wstring& text, bool with_terminator = true);

void SetValue(HKEY root, const wchar_t* name, DWORD type, const Bytes& data);
void SetText(HKEY root, const wchar_t* name, const std::wstring& text);
void DeleteValue(HKEY root, const wchar_t* name);
// The value's bytes as stored (and its type), or nothing when it is missing.
std::optional<Bytes> RawValue(HKEY root, const wchar_t* name, DWORD* type = nullptr);
// The HKCU value as text of any type, cut at its first NUL; empty when missing.
std::wstring SettingsText(const wchar_t* name);

// Saves and deletes every value the programs read or write; puts them back at the end.
class SettingsSandbox {
 public:
  SettingsSandbox();
  ~SettingsSandbox();

 private:
  struct Saved {
    HKEY root;
    const wchar_t* name;
    DWORD type;
    std::optional<Bytes> data;
  };
  std::vector<Saved> saved_;
};
