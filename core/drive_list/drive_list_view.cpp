// The settings dialog's list view of the drives: columns, items, icons and item texts.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

#include "core/drive_list/drive_list.h"
#include "core/drive_list/drive_list_view.h"
#include "core/resources/resource_ids.h"

namespace {

HICON ShellDriveIcon(const wchar_t* root_path) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(root_path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) {
    return nullptr;
  }
  return info.hIcon;
}

DriveIconSource g_drive_icon_source = ShellDriveIcon;

struct ColumnSpec {
  const wchar_t* heading;
  int format;
  int width;
};

const ColumnSpec kColumns[] = {
    {L"Drive Name", LVCFMT_LEFT, 165},
    {L"Size", LVCFMT_RIGHT, 90},
    {L"Free Space", LVCFMT_RIGHT, 90},
};

// A fully transparent icon of the given size: what a drive shows when the shell has no
// icon for it, so that image i still belongs to drive i.
HICON CreateBlankIcon(int width, int height) {
  const int mask_bytes = ((width + 15) / 16) * 2 * height;
  BYTE and_mask[512];
  BYTE xor_mask[512] = {};
  if (mask_bytes > static_cast<int>(sizeof(and_mask))) return nullptr;
  memset(and_mask, 0xFF, sizeof(and_mask));
  return CreateIcon(GetModuleHandleW(nullptr), width, height, 1, 1, and_mask, xor_mask);
}

// Appends the icon of one drive; keeps exactly one image per drive even when the shell
// has none or the image list refuses it.
void AppendDriveImage(HIMAGELIST images, HICON icon, int width, int height) {
  const int expected = ImageList_GetImageCount(images) + 1;
  if (icon != nullptr) {
    ImageList_ReplaceIcon(images, -1, icon);
  }
  if (ImageList_GetImageCount(images) < expected) {
    HICON blank = CreateBlankIcon(width, height);
    if (blank != nullptr) {
      ImageList_ReplaceIcon(images, -1, blank);
      DestroyIcon(blank);
    }
  }
  if (ImageList_GetImageCount(images) < expected) {
    ImageList_SetImageCount(images, expected);
  }
}

}  // namespace

DriveIconSource SetDriveIconSource(DriveIconSource source) {
  DriveIconSource previous = g_drive_icon_source;
  g_drive_icon_source = source != nullptr ? source : ShellDriveIcon;
  return previous;
}

void DiskList::FillDriveListView(HWND dialog) {
  HWND list_view = GetDlgItem(dialog, IDC_DRIVE_LIST);
  if (list_view == nullptr) return;

  SendMessageW(list_view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SendMessageW(list_view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);

  int column_index = 0;
  for (const ColumnSpec& spec : kColumns) {
    wchar_t heading[261];
    wcsncpy(heading, spec.heading, 260);
    heading[260] = L'\0';
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = spec.format;
    column.cx = spec.width;
    column.pszText = heading;
    column.iSubItem = column_index;
    SendMessageW(list_view, LVM_INSERTCOLUMNW, column_index, reinterpret_cast<LPARAM>(&column));
    ++column_index;
  }

  SetDriveIcons(list_view);

  for (size_t i = 0; i < disks.size(); ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    item.iItem = static_cast<int>(i);
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = static_cast<int>(i);
    SendMessageW(list_view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (disks[i].selected != 0) {
      LVITEMW state = {};
      state.stateMask = LVIS_STATEIMAGEMASK;
      state.state = INDEXTOSTATEIMAGEMASK(2);
      SendMessageW(list_view, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
    }
  }
}

void DiskList::SetDriveIcons(HWND list_view) {
  const int width = GetSystemMetrics(SM_CXSMICON);
  const int height = GetSystemMetrics(SM_CYSMICON);
  HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 1);
  if (images == nullptr) return;
  for (const DiskInfo& disk : disks) {
    HICON icon = g_drive_icon_source(disk.root_path);
    AppendDriveImage(images, icon, width, height);
    if (icon != nullptr) DestroyIcon(icon);
  }
  // The list view owns the image list from here on (no shared-image-list style).
  SendMessageW(list_view, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

void DiskList::GetDriveItemText(NMLVDISPINFOW* info) {
  if (info == nullptr) return;
  const int index = info->item.iItem;
  // A list view may ask for an item that no record backs (for example while it is being
  // filled or torn down): leave such a request untouched.
  if (index < 0 || static_cast<size_t>(index) >= disks.size()) return;
  DiskInfo& disk = disks[static_cast<size_t>(index)];
  switch (info->item.iSubItem) {
    case 0:
      info->item.pszText = disk.display_name;
      break;
    case 1:
      info->item.pszText = disk.size_text;
      break;
    case 2:
      info->item.pszText = disk.free_text;
      break;
    default:
      break;
  }
}
