// The settings dialog: which drives are defragmented and whether the idle animation runs.
#include "core/drive_list/settings_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/drive_list/drive_list.h"
#include "core/resources/resource_ids.h"
#include "core/drive_list/settings_store.h"

namespace {

void ShellOpenLink(const wchar_t* url) {
  // A shell that cannot open the address leaves the dialog as it is; nothing to report.
  ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOW);
}

LinkOpener g_link_opener = ShellOpenLink;

void InitDialog(HWND dialog) {
  drive_list.LoadDriveList();
  drive_list.FillDriveListView(dialog);
  // The box says "turn off", so it is checked when the stored setting is off.
  const bool animation_on = settings_store.LoadIdleAnimation() != 0;
  SendDlgItemMessageW(dialog, IDC_IDLE_ANIMATION, BM_SETCHECK,
                      animation_on ? BST_UNCHECKED : BST_CHECKED, 0);
}

void StoreChoices(HWND dialog) {
  drive_list.SaveSelectedDrives(dialog);
  const bool turn_off =
      SendDlgItemMessageW(dialog, IDC_IDLE_ANIMATION, BM_GETCHECK, 0, 0) == BST_CHECKED;
  settings_store.SaveIdleAnimation(turn_off ? 0 : 1);
}

void OnNotify(const NMHDR* header, LPARAM lparam) {
  if (header == nullptr) return;
  if (header->code == LVN_GETDISPINFOW) {
    drive_list.GetDriveItemText(reinterpret_cast<NMLVDISPINFOW*>(lparam));
  } else if (header->code == NM_CLICK && header->idFrom == IDC_VENDOR_LINK) {
    const NMLINK* link = reinterpret_cast<const NMLINK*>(lparam);
    g_link_opener(link->item.szUrl);
  }
}

}  // namespace

LinkOpener SetLinkOpener(LinkOpener opener) {
  LinkOpener previous = g_link_opener;
  g_link_opener = opener != nullptr ? opener : ShellOpenLink;
  return previous;
}

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case WM_NOTIFY:
      OnNotify(reinterpret_cast<const NMHDR*>(lparam), lparam);
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          StoreChoices(dialog);
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

INT_PTR RunSettingsDialog(HINSTANCE instance, HWND owner) {
  // The dialog's list view and link need these classes of the common controls.
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&classes);
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(DLG_SCRNSAVECONFIGURE), owner,
                         ScreenSaverConfigureDialog, 0);
}

int ShowSettingsDialog(HWND owner) {
  RunSettingsDialog(GetModuleHandleW(nullptr), owner);
  return 0;
}
