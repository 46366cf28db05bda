#include "tests/saver/registry_sandbox.h"

#include <cwchar>

#include "core/registry_text.h"

StoredValue ReadSettingsValue(const wchar_t* name) {
  StoredValue value;
  if (RegGetValueW(HKEY_CURRENT_USER, g_settings_key, name, RRF_RT_ANY | RRF_NOEXPAND,
                   &value.type, nullptr, &value.bytes) != ERROR_SUCCESS) {
    value = StoredValue();
  }
  return value;
}

void WriteSettingsText(const wchar_t* name, const wchar_t* text) {
  WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, name, text);
}

void DeleteSettingsValue(const wchar_t* name) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, g_settings_key, name);
}

std::wstring SettingsText(const wchar_t* name) {
  wchar_t text[300];
  ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, name, text, 300, true);
  return text;
}

void DeleteAllSettingsValues() {
  for (const wchar_t* name : {L"SelectedDrives", L"IdleAnimation", L"LastDefrag"}) {
    DeleteSettingsValue(name);
  }
}
