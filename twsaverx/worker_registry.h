#pragma once
// The worker's own registry values: "Params" and "Secure" (left by the launcher),
// "User" (current user) and "Users" (local machine), all under g_settings_key.
#include <windows.h>
#include <string>

// "Users" holds at most this many characters; a longer list is neither read nor written.
constexpr size_t user_list_room = 16383;

class WorkerRegistry {
 public:
  // The current user's "Secure" is the text "1".
  BOOL IsSecureDesktop() const;
  // The value under HKEY_CURRENT_USER (of any type, read as text) equals `expected`
  // exactly. `failed` (optional) is set to 1 when the key or the value could not be read.
  BOOL RegValueEquals(const wchar_t* key_path, const wchar_t* value_name, const wchar_t* expected,
                      int* failed = nullptr) const;
  // Reads "Params" into `buffer` (`room` characters with the terminator) and replaces it
  // with "read". A value that can't be read leaves the buffer empty and the value as it was.
  // A value of `room` characters without a terminator fills the buffer unterminated.
  LONG TakeStoredCommandLine(DWORD room, wchar_t* buffer) const;
  // Records the installing account in "User" and in the machine's "Users" list.
  LONG StoreUser(const wchar_t* name) const;
  LONG RegWriteString(const wchar_t* key_path, const wchar_t* value_name,
                      const wchar_t* text) const;
  LONG AddUserToList(const wchar_t* name) const;
};

extern WorkerRegistry worker_registry;

// 1 when the window is to run on the "Screen-saver" desktop; set by LoadSecureFlag.
extern int use_secure_desktop;
void LoadSecureFlag();

// Creates or opens the settings key of the local machine for reading and writing.
LONG OpenMachineSettingsKey(HKEY* key);
// Reads "Users" of an open key. A missing value gives ERROR_SUCCESS and an empty list;
// any other failure (a list too long to read among them) is returned as it is, so that
// callers leave a list they could not read alone.
LONG ReadUserList(HKEY key, std::wstring* list);
