#pragma once
// Bounded access to the REG_SZ values the programs keep. Every read is cut at the
// length the registry returns, so a stored text without a terminator never makes a
// reader run past its buffer. A value of another type is read as text all the same.
#include <windows.h>
#include <cstddef>

// HKCU key of the user's settings (the worker also uses the same path under HKLM).
extern const wchar_t g_settings_key[];

// How a value without a terminator that fills the buffer exactly is read.
enum class FullRoom {
  TooLong,        // as a value too long for the buffer (ERROR_MORE_DATA)
  EndsAtRoomEnd,  // as a text that ends at the buffer's end: the buffer then holds
                  // `capacity` characters and no terminator, so it is read bounded
};

// Reads value `name` of the already open `key`, whatever its type, into `buffer`
// (capacity in UTF-16 units, terminator included). Returns ERROR_SUCCESS,
// ERROR_FILE_NOT_FOUND (missing value), ERROR_MORE_DATA (too long for the buffer with its
// terminator; see FullRoom) or another Win32 error. Afterwards the buffer holds a terminated
// text (empty on failure), except for the case that FullRoom::EndsAtRoomEnd lets through.
LONG ReadRegistryTextFromKey(HKEY key, const wchar_t* name, wchar_t* buffer, size_t capacity,
                             FullRoom full_room = FullRoom::TooLong);

// Same, opening `subkey` of `root` with KEY_READ for the one read. A missing key gives
// ERROR_FILE_NOT_FOUND.
LONG ReadRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, wchar_t* buffer,
                      size_t capacity, FullRoom full_room = FullRoom::TooLong);

// Creates or opens `subkey` with KEY_WRITE and stores `byte_count` bytes of `data` as REG_SZ.
LONG WriteRegistryBytes(HKEY root, const wchar_t* subkey, const wchar_t* name, const wchar_t* data,
                        DWORD byte_count);

// Stores a terminated text as REG_SZ: its characters and the terminator.
LONG WriteRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, const wchar_t* text);
