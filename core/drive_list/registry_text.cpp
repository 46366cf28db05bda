#include "core/drive_list/registry_text.h"

#include <cwchar>

const wchar_t g_settings_key[] = L"Software\\Orbenlake\\Tidewell Screensaver\\1.x\\Settings";

LONG ReadRegistryTextFromKey(HKEY key, const wchar_t* name, wchar_t* buffer, size_t capacity,
                             FullRoom full_room) {
  if (buffer == nullptr || capacity == 0) return ERROR_INVALID_PARAMETER;
  buffer[0] = L'\0';
  DWORD bytes = static_cast<DWORD>(capacity * sizeof(wchar_t));
  LONG rc = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (rc != ERROR_SUCCESS) {
    buffer[0] = L'\0';
    return rc;
  }
  size_t units = bytes / sizeof(wchar_t);
  if (units < capacity) {
    buffer[units] = L'\0';
    return ERROR_SUCCESS;
  }
  // Exactly full: a terminated value ends inside it. The registry hands an unterminated
  // one over as it is stored, with success, so the caller's rule decides.
  if (wmemchr(buffer, L'\0', capacity) == nullptr && full_room == FullRoom::TooLong) {
    buffer[0] = L'\0';
    return ERROR_MORE_DATA;
  }
  return ERROR_SUCCESS;
}

LONG ReadRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, wchar_t* buffer,
                      size_t capacity, FullRoom full_room) {
  if (buffer != nullptr && capacity > 0) buffer[0] = L'\0';
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(root, subkey, 0, KEY_READ, &key);
  if (rc != ERROR_SUCCESS) return rc;
  rc = ReadRegistryTextFromKey(key, name, buffer, capacity, full_room);
  RegCloseKey(key);
  return rc;
}

LONG WriteRegistryBytes(HKEY root, const wchar_t* subkey, const wchar_t* name, const wchar_t* data,
                        DWORD byte_count) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                            &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), byte_count);
  RegCloseKey(key);
  return rc;
}

LONG WriteRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, const wchar_t* text) {
  DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
  return WriteRegistryBytes(root, subkey, name, text, bytes);
}
