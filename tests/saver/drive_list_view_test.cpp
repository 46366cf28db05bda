// The drive list view's item texts and icons, on lists the tests make up.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "core/drive_list.h"
#include "core/drive_list_view.h"

namespace {

DiskInfo MakeDisk(wchar_t letter) {
  DiskInfo disk;
  disk.letter = letter;
  _snwprintf(disk.root_path, 3, L"%lc:\\", letter);
  _snwprintf(disk.display_name, 29, L"Disk %lc (%lc:)", letter, letter);
  _snwprintf(disk.size_text, 19, L"%d,0 GB", letter - L'A' + 1);
  _snwprintf(disk.free_text, 19, L"0,%d GB", letter - L'A' + 1);
  disk.drive_type = DRIVE_FIXED;
  return disk;
}

NMLVDISPINFOW TextRequest(int item, int sub_item, wchar_t* buffer) {
  NMLVDISPINFOW info = {};
  info.hdr.code = LVN_GETDISPINFOW;
  info.item.mask = LVIF_TEXT;
  info.item.iItem = item;
  info.item.iSubItem = sub_item;
  info.item.pszText = buffer;
  info.item.cchTextMax = 8;
  return info;
}

TEST(DriveItemText, PointsAtTheRecordsOwnFields) {
  DiskList list;
  list.disks = {MakeDisk(L'C'), MakeDisk(L'D')};
  wchar_t buffer[8] = {};
  const struct {
    int sub_item;
    const wchar_t* expected;
  } cases[] = {{0, list.disks[1].display_name},
               {1, list.disks[1].size_text},
               {2, list.disks[1].free_text}};
  for (const auto& c : cases) {
    NMLVDISPINFOW info = TextRequest(1, c.sub_item, buffer);
    list.GetDriveItemText(&info);
    EXPECT_EQ(info.item.pszText, c.expected);
  }
}

TEST(DriveItemText, LeavesRequestsWithoutARecordUntouched) {
  DiskList list;
  list.disks = {MakeDisk(L'C'), MakeDisk(L'D')};
  wchar_t buffer[8] = {};
  const struct {
    int item, sub_item;
  } cases[] = {{-1, 0}, {2, 0}, {1000, 1}, {INT_MAX, 2}, {0, 3}, {0, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "item " << c.item << " sub-item " << c.sub_item);
    NMLVDISPINFOW info = TextRequest(c.item, c.sub_item, buffer);
    list.GetDriveItemText(&info);
    EXPECT_EQ(info.item.pszText, buffer);
  }
  DiskList empty;
  NMLVDISPINFOW info = TextRequest(0, 0, buffer);
  empty.GetDriveItemText(&info);
  EXPECT_EQ(info.item.pszText, buffer);
  list.GetDriveItemText(nullptr);  // must not crash
}

// A small icon of one solid colour.
HICON SolidIcon(COLORREF color) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, colour);
  RECT all = {0, 0, size, size};
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &all, brush);
  SelectObject(dc, mask);
  PatBlt(dc, 0, 0, size, size, BLACKNESS);  // opaque everywhere
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  ICONINFO info = {TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}

HICON FakeDriveIcon(const wchar_t* root) {
  switch (root[0]) {
    case L'A':
      return SolidIcon(RGB(255, 0, 0));
    case L'C':
      return SolidIcon(RGB(0, 0, 255));
    default:
      return nullptr;  // the shell knows no icon for this drive
  }
}

COLORREF DrawnCentre(HIMAGELIST images, int index) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, size, size, WHITENESS);
  ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
  const COLORREF centre = GetPixel(dc, size / 2, size / 2);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return centre;
}

TEST(DriveIcons, MissingShellIconKeepsEveryLaterIconOnItsDrive) {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  DiskList list;
  list.disks = {MakeDisk(L'A'), MakeDisk(L'B'), MakeDisk(L'C')};
  HWND list_view = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 200, 100,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(list_view, nullptr);
  DriveIconSource previous = SetDriveIconSource(FakeDriveIcon);
  list.SetDriveIcons(list_view);
  SetDriveIconSource(previous);

  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(SendMessageW(list_view, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 3);
  EXPECT_EQ(DrawnCentre(images, 0), RGB(255, 0, 0));
  EXPECT_EQ(DrawnCentre(images, 1), RGB(255, 255, 255));  // blank: the background shows
  EXPECT_EQ(DrawnCentre(images, 2), RGB(0, 0, 255));
  DestroyWindow(list_view);
}

}  // namespace
