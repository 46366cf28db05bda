#include "twsaverx/worker_registry.h"

#include <cwchar>
#include <vector>

#include "core/drive_list/registry_text.h"
#include "twsaverx/user_list.h"

WorkerRegistry worker_registry;
int use_secure_desktop = 0;

namespace {
constexpr size_t comparison_room = 100;
const wchar_t read_marker[] = L"read";
}  // namespace

BOOL WorkerRegistry::IsSecureDesktop() const {
  return RegValueEquals(g_settings_key, L"Secure", L"1");
}

BOOL WorkerRegistry::RegValueEquals(const wchar_t* key_path, const wchar_t* value_name,
                                    const wchar_t* expected, int* failed) const {
  if (failed != nullptr) *failed = 0;
  wchar_t text[comparison_room] = L"";
  // Any type is read and compared as text: a number 1 is there but is not the text "1".
  // A value that fills the room without a terminator ends at the room's end.
  if (ReadRegistryText(HKEY_CURRENT_USER, key_path, value_name, text, comparison_room,
                       FullRoom::EndsAtRoomEnd) != ERROR_SUCCESS) {
    if (failed != nullptr) *failed = 1;
    return FALSE;
  }
  const size_t length = wcsnlen(text, comparison_room);
  return wcslen(expected) == length && wmemcmp(text, expected, length) == 0 ? TRUE : FALSE;
}

LONG WorkerRegistry::TakeStoredCommandLine(DWORD room, wchar_t* buffer) const {
  if (buffer == nullptr || room == 0) return ERROR_INVALID_PARAMETER;
  buffer[0] = L'\0';
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, KEY_READ | KEY_SET_VALUE, &key);
  if (rc != ERROR_SUCCESS) return rc;
  // Whatever the launcher stored is taken (and consumed) as text, whatever its type; one
  // that fills the room without a terminator ends at the room's end (the parse is bounded).
  rc = ReadRegistryTextFromKey(key, L"Params", buffer, room, FullRoom::EndsAtRoomEnd);
  if (rc == ERROR_SUCCESS) {
    rc = RegSetValueExW(key, L"Params", 0, REG_SZ, reinterpret_cast<const BYTE*>(read_marker),
                        sizeof(read_marker));
  }
  RegCloseKey(key);
  return rc;
}

LONG WorkerRegistry::StoreUser(const wchar_t* name) const {
  RegWriteString(g_settings_key, L"User", name);
  return AddUserToList(name);
}

LONG WorkerRegistry::RegWriteString(const wchar_t* key_path, const wchar_t* value_name,
                                    const wchar_t* text) const {
  return WriteRegistryText(HKEY_CURRENT_USER, key_path, value_name, text);
}

LONG WorkerRegistry::AddUserToList(const wchar_t* name) const {
  HKEY key = nullptr;
  LONG rc = OpenMachineSettingsKey(&key);
  if (rc != ERROR_SUCCESS) return rc;
  std::wstring list;
  rc = ReadUserList(key, &list);
  // A list that could not be read is kept: writing over it would orphan the tasks of
  // every user it names.
  if (rc == ERROR_SUCCESS && !UserListContains(list, name)) {
    std::wstring longer = AppendToUserList(list, name);
    if (longer.size() < user_list_room) {
      rc = RegSetValueExW(key, L"Users", 0, REG_SZ, reinterpret_cast<const BYTE*>(longer.c_str()),
                          static_cast<DWORD>((longer.size() + 1) * sizeof(wchar_t)));
    } else {
      rc = ERROR_BUFFER_OVERFLOW;  // the uninstallation could not read it back
    }
  }
  LONG close_rc = RegCloseKey(key);
  return rc != ERROR_SUCCESS ? rc : close_rc;
}

void LoadSecureFlag() { use_secure_desktop = worker_registry.IsSecureDesktop() ? 1 : 0; }

LONG OpenMachineSettingsKey(HKEY* key) {
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, g_settings_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_READ | KEY_WRITE, nullptr, key, nullptr);
}

LONG ReadUserList(HKEY key, std::wstring* list) {
  list->clear();
  std::vector<wchar_t> buffer(user_list_room);
  LONG rc = ReadRegistryTextFromKey(key, L"Users", buffer.data(), buffer.size());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc == ERROR_SUCCESS) list->assign(buffer.data());
  return rc;
}
