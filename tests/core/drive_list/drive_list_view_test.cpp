// The drive list view's item texts and icons, on lists the tests make up.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "core/drive_list/drive_list.h"
#include "core/drive_list/drive_list_view.h"

namespace {

DiskInfo MakeDisk(wchar_t letter) { return {letter, {letter}, {letter}, {letter}, {letter}}; }

TEST(DriveItemText, PointsAtTheRecordsOwnFieldsAndIgnoresRequestsWithoutARecord) {
  DiskList list;
  list.disks = {MakeDisk(L'C'), MakeDisk(L'D')};
  wchar_t buffer[8] = {};
  const struct {
    int item, sub_item;
    const wchar_t* expected;
  } cases[] = {{1, 0, list.disks[1].display_name},
               {1, 1, list.disks[1].size_text},
               {1, 2, list.disks[1].free_text},
               {-1, 0, buffer},
               {2, 0, buffer},
               {INT_MAX, 2, buffer},
               {0, 3, buffer},
               {0, -1, buffer}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "item " << c.item << " sub-item " << c.sub_item);
    NMLVDISPINFOW info = {};
    info.item.mask = LVIF_TEXT;
    info.item.iItem = c.item;
    info.item.iSubItem = c.sub_item;
    info.item.pszText = buffer;
    list.GetDriveItemText(&info);
    EXPECT_EQ(info.item.pszText, c.expected);
  }
  list.GetDriveItemText(nullptr);  // must not crash
}

// A small icon that is all black or all white.
HICON PlainIcon(bool white) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  BYTE and_mask[512] = {};  // opaque everywhere
  BYTE xor_mask[512];
  memset(xor_mask, white ? 0xFF : 0x00, sizeof(xor_mask));
  return CreateIcon(nullptr, size, size, 1, 1, and_mask, xor_mask);
}

// Drive B has no shell icon; A is black, C white.
HICON FakeDriveIcon(const wchar_t* root) {
  return root[0] == L'B' ? nullptr : PlainIcon(root[0] == L'C');
}

// The centre pixel of image `index` drawn over grey.
COLORREF DrawnCentre(HIMAGELIST images, int index) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, size, size));
  RECT all = {0, 0, size, size};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
  const COLORREF centre = GetPixel(dc, size / 2, size / 2);
  DeleteObject(SelectObject(dc, old));
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
  EXPECT_EQ(DrawnCentre(images, 0), RGB(0, 0, 0));
  EXPECT_EQ(DrawnCentre(images, 1), RGB(128, 128, 128));  // blank: the background shows
  EXPECT_EQ(DrawnCentre(images, 2), RGB(255, 255, 255));
  DestroyWindow(list_view);
}

}  // namespace
