#include "tests/saver/registry_sandbox.h"

#include <cwchar>

#include "core/registry_text.h"

namespace {
const wchar_t* const kSettingsValues[] = {L"SelectedDrives", L"IdleAnimation", L"LastDefrag"};
}

CurrentUserSandbox::CurrentUserSandbox() {
  wchar_t path[96];
  _snwprintf(path, 95, L"Software\\TwSaverTests\\%lu_%lu", GetCurrentProcessId(),
             GetTickCount());
  path[95] = L'\0';
  path_ = path;
  RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                  KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, key_);
}

CurrentUserSandbox::~CurrentUserSandbox() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (key_ != nullptr) RegCloseKey(key_);
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

StoredValue ReadSettingsValue(const wchar_t* name) {
  StoredValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return value;
  }
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.resize(size);
    if (RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) ==
        ERROR_SUCCESS) {
      value.present = true;
      value.bytes.resize(size);
    }
  }
  RegCloseKey(key);
  return value;
}

void WriteSettingsText(const wchar_t* name, const wchar_t* text) {
  WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, name, text);
}

void DeleteSettingsValue(const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  RegDeleteValueW(key, name);
  RegCloseKey(key);
}

std::wstring SettingsText(const wchar_t* name) {
  const StoredValue value = ReadSettingsValue(name);
  std::wstring text;
  for (size_t i = 0; i + 1 < value.bytes.size(); i += 2) {
    const wchar_t unit = static_cast<wchar_t>(value.bytes[i] | (value.bytes[i + 1] << 8));
    if (unit == L'\0') break;
    text.push_back(unit);
  }
  return text;
}

SettingsSnapshot::SettingsSnapshot() {
  for (const wchar_t* name : kSettingsValues) values_.emplace_back(name, ReadSettingsValue(name));
}

SettingsSnapshot::~SettingsSnapshot() {
  for (const auto& [name, value] : values_) {
    if (!value.present) {
      DeleteSettingsValue(name.c_str());
      continue;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      RegSetValueExW(key, name.c_str(), 0, value.type, value.bytes.data(),
                     static_cast<DWORD>(value.bytes.size()));
      RegCloseKey(key);
    }
  }
}
