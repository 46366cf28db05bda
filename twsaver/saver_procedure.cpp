// The screen-saver module's glue to the framework: the saver window's procedure runs the
// scene, and the settings dialog needs no classes of its own.
#include <windows.h>

#include "core/drive_list/drive_list.h"
#include "core/scene/saver_scene.h"
#include "saver_framework/screen_saver_framework.h"

namespace {
// The scene runs as a preview exactly when the framework made a preview child.
bool FrameworkPreview() { return fChildPreview != FALSE; }
}  // namespace

LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      drive_list.LoadDriveList();
      screen_saver.SetPreviewQuery(FrameworkPreview);
      screen_saver.Create(window, hMainInstance);
      break;
    case WM_DESTROY:
      screen_saver.Destroy();
      break;
    case WM_TIMER:
      // The scene's frame timer is the window's only timer.
      screen_saver.UpdateSchedule();
      screen_saver.Paint();
      break;
    default:
      break;
  }
  return DefScreenSaverProc(window, message, wparam, lparam);
}

BOOL WINAPI RegisterDialogClasses(HINSTANCE instance) { return TRUE; }
