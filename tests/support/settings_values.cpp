#include "tests/support/settings_values.h"

#include "core/drive_list/registry_text.h"

Bytes Utf16Bytes(const std::wstring& text, bool with_terminator) {
  return Bytes(reinterpret_cast<const char*>(text.c_str()),
               (text.size() + (with_terminator ? 1 : 0)) * sizeof(wchar_t));
}

void SetValue(HKEY root, const wchar_t* name, DWORD type, const Bytes& data) {
  // wine adds a terminator to a stored text when a NUL follows it in memory, as NT does:
  // what follows here is not NUL.
  const Bytes guarded = data + "\xFF\xFF";
  RegSetKeyValueW(root, g_settings_key, name, type, guarded.data(),
                  static_cast<DWORD>(data.size()));
}

void SetText(HKEY root, const wchar_t* name, const std::wstring& text) {
  SetValue(root, name, REG_SZ, Utf16Bytes(text));
}

void DeleteValue(HKEY root, const wchar_t* name) { RegDeleteKeyValueW(root, g_settings_key, name); }

std::optional<Bytes> RawValue(HKEY root, const wchar_t* name, DWORD* type) {
  // RegQueryValueExW, not RegGetValueW, which would add a missing terminator.
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, g_settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  Bytes data(1 << 16, '\0');
  DWORD bytes = static_cast<DWORD>(data.size());
  const LONG rc =
      RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(&data[0]), &bytes);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  data.resize(bytes);
  return data;
}

std::wstring SettingsText(const wchar_t* name) {
  wchar_t text[300];
  ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, name, text, 300);
  return text;
}

SettingsSandbox::SettingsSandbox() {
  const std::pair<HKEY, const wchar_t*> values[] = {
      {HKEY_CURRENT_USER, L"SelectedDrives"}, {HKEY_CURRENT_USER, L"IdleAnimation"},
      {HKEY_CURRENT_USER, L"LastDefrag"},     {HKEY_CURRENT_USER, L"Params"},
      {HKEY_CURRENT_USER, L"Secure"},         {HKEY_CURRENT_USER, L"User"},
      {HKEY_LOCAL_MACHINE, L"Users"}};
  for (const auto& value : values) {
    Saved saved = {value.first, value.second, 0, std::nullopt};
    saved.data = RawValue(saved.root, saved.name, &saved.type);
    saved_.push_back(saved);
    DeleteValue(saved.root, saved.name);
  }
}

SettingsSandbox::~SettingsSandbox() {
  for (const Saved& saved : saved_) {
    if (saved.data) {
      SetValue(saved.root, saved.name, saved.type, *saved.data);
    } else {
      DeleteValue(saved.root, saved.name);
    }
  }
}
