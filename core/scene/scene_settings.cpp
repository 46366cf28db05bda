// The scene's two settings: "LastDefrag" (kept by the scene) and "IdleAnimation"
// (kept by the settings dialog, read here with the dialog's own code).
#include <ctime>

#include "core/drive_list/registry_text.h"
#include "core/scene/saver_scene.h"
#include "core/drive_list/settings_store.h"
#include "core/scene/text_format.h"

namespace {
const wchar_t kLastDefragValue[] = L"LastDefrag";
// Room of the stored decimal with its terminator (44 bytes): any time64 fits, and a
// longer value, padding included, is not read at all.
constexpr size_t kLastDefragRoom = 22;
}  // namespace

void SaverScene::LoadSettings() {
  wchar_t text[kLastDefragRoom] = {};
  last_defrag = 0;
  if (ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, kLastDefragValue, text,
                       kLastDefragRoom) == ERROR_SUCCESS)
    last_defrag = ParseDecimal(text, kLastDefragRoom);
  idle_animation = settings_store.LoadIdleAnimation() != 0;
}

void SaverScene::SaveLastDefrag() {
  _tzset();
  last_defrag = CurrentTime();
  // When the key cannot be written the new time still holds for this process.
  WriteRegistryText(HKEY_CURRENT_USER, g_settings_key, kLastDefragValue,
                    FormatDecimal(last_defrag).c_str());
}
