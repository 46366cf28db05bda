#pragma once
// Bounded access to the REG_SZ values the programs keep. Every read is cut at the
// length the registry returns, so a stored text without a terminator (or of another
// type) never makes a reader run past its buffer.
#include <windows.h>
#include <cstddef>

// HKCU key of the user's settings (the worker also uses the same path under HKLM).
extern const wchar_t g_settings_key[];

// Reads value `name` of the already open `key` into `buffer` (capacity in UTF-16 units,
// terminator included). Returns ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (missing value, or a
// non-text type unless `accept_any_type`), ERROR_MORE_DATA (too long for the buffer with its
// terminator; an unterminated value that fills the buffer exactly counts as too long) or
// another Win32 error. The buffer always holds a terminated text afterwards (empty on failure).
LONG ReadRegistryTextFromKey(HKEY key, const wchar_t* name, wchar_t* buffer, size_t capacity,
                             bool accept_any_type = false);

// Same, opening `subkey` of `root` with KEY_READ for the one read. A missing key gives
// ERROR_FILE_NOT_FOUND.
LONG ReadRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, wchar_t* buffer,
                      size_t capacity, bool accept_any_type = false);

// Creates or opens `subkey` with KEY_WRITE and stores `byte_count` bytes of `data` as REG_SZ.
LONG WriteRegistryBytes(HKEY root, const wchar_t* subkey, const wchar_t* name, const wchar_t* data,
                        DWORD byte_count);

// Stores a terminated text as REG_SZ: its characters and the terminator.
LONG WriteRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, const wchar_t* text);
