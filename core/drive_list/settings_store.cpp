#include "core/drive_list/settings_store.h"

#include <windows.h>

#include <cwchar>
#include <cstdlib>

#include "core/drive_list/registry_text.h"

SettingsStore settings_store;

namespace {
const wchar_t kIdleAnimationValue[] = L"IdleAnimation";
// Room of the stored text: the digits of any int, a sign and the terminator fit.
constexpr size_t kIdleAnimationRoom = 22;

// Read as the C runtime reads a decimal: leading blanks and a sign allowed, and a text
// that does not begin with a number reads as 0 (animation off).
int IdleAnimationFromText(const wchar_t* text) { return wcstol(text, nullptr, 10) != 0 ? 1 : 0; }
}  // namespace

int SettingsStore::LoadIdleAnimation() const {
  // One unit more than is read: a value that fills the room without a terminator still
  // ends, at the room's end.
  wchar_t text[kIdleAnimationRoom + 1] = {};
  // A value that is missing, too long or not text leaves the animation on.
  LONG rc = ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, kIdleAnimationValue, text,
                             kIdleAnimationRoom, FullRoom::EndsAtRoomEnd);
  if (rc != ERROR_SUCCESS) return 1;
  return IdleAnimationFromText(text);
}

void SettingsStore::SaveIdleAnimation(int value) const {
  wchar_t text[kIdleAnimationRoom] = {};
  _snwprintf(text, kIdleAnimationRoom - 1, L"%d", value);
  // The whole room is stored, zeros behind the terminator, as readers expect a fixed size.
  WriteRegistryBytes(HKEY_CURRENT_USER, g_settings_key, kIdleAnimationValue, text,
                     static_cast<DWORD>(sizeof(text)));
}
