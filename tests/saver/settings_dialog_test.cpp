// The settings dialog, run for real from its template with HKEY_CURRENT_USER redirected.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/drive_list.h"
#include "core/registry_text.h"
#include "core/resources/resource_ids.h"
#include "core/settings_dialog.h"
#include "core/settings_store.h"
#include "tests/saver/registry_sandbox.h"

// The dialog works on the process-wide drive list, as in the programs.
DiskList drive_list;

namespace {

std::wstring g_opened_link;
int g_link_opens = 0;

void RecordLink(const wchar_t* url) {
  g_opened_link = url;
  ++g_link_opens;
}

int StateImage(HWND list_view, int item) {
  return static_cast<int>(
      (SendMessageW(list_view, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) & 0xF000) >> 12);
}

void SetStateImage(HWND list_view, int item, int image) {
  LVITEMW state = {};
  state.stateMask = LVIS_STATEIMAGEMASK;
  state.state = INDEXTOSTATEIMAGEMASK(image);
  SendMessageW(list_view, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
}

std::wstring ItemText(HWND list_view, int item, int sub_item) {
  wchar_t buffer[64] = {};
  LVITEMW request = {};
  request.iSubItem = sub_item;
  request.pszText = buffer;
  request.cchTextMax = 64;
  SendMessageW(list_view, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
  return buffer;
}

int DriveIndex(wchar_t letter) {
  for (size_t i = 0; i < drive_list.disks.size(); ++i) {
    if (drive_list.disks[i].letter == letter) return static_cast<int>(i);
  }
  return -1;
}

class SettingsDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    drive_list.disks.clear();
    g_opened_link.clear();
    g_link_opens = 0;
    SetLinkOpener(RecordLink);
  }

  void TearDown() override {
    CloseDialog();
    SetLinkOpener(nullptr);
  }

  // Opens the dialog modelessly so the test can look at it between messages.
  HWND OpenDialog() {
    CloseDialog();
    drive_list.disks.clear();
    dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr),
                                 MAKEINTRESOURCEW(DLG_SCRNSAVECONFIGURE), nullptr,
                                 ScreenSaverConfigureDialog, 0);
    // The template is shown by DialogBoxParamW in the programs; modelessly the test shows it.
    if (dialog_ != nullptr) ShowWindow(dialog_, SW_SHOW);
    return dialog_;
  }

  void CloseDialog() {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
    dialog_ = nullptr;
  }

  HWND ListView() const { return GetDlgItem(dialog_, IDC_DRIVE_LIST); }
  bool IdleBoxChecked() const {
    return SendDlgItemMessageW(dialog_, IDC_IDLE_ANIMATION, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void Command(int id) { SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  CurrentUserSandbox sandbox_;
  HWND dialog_ = nullptr;
};

TEST_F(SettingsDialogTest, TemplateHoldsTheDialogControls) {
  ASSERT_NE(OpenDialog(), nullptr);
  wchar_t text[64] = {};
  GetWindowTextW(dialog_, text, 64);
  EXPECT_STREQ(text, L"Orbenlake Tidewell Screensaver Setup");

  const struct {
    int id;
    const wchar_t* window_class;
  } controls[] = {{IDOK, L"Button"},
                  {IDCANCEL, L"Button"},
                  {IDC_DRIVE_LIST, L"SysListView32"},
                  {IDC_VENDOR_LINK, L"SysLink"},
                  {IDC_IDLE_ANIMATION, L"Button"}};
  for (const auto& control : controls) {
    SCOPED_TRACE(control.id);
    HWND child = GetDlgItem(dialog_, control.id);
    ASSERT_NE(child, nullptr);
    GetClassNameW(child, text, 64);
    EXPECT_EQ(_wcsicmp(text, control.window_class), 0) << "class " << text;
  }
  const LONG list_style = GetWindowLongW(ListView(), GWL_STYLE);
  EXPECT_EQ(list_style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(list_style & LVS_SINGLESEL);
  EXPECT_FALSE(list_style & LVS_SHAREIMAGELISTS);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog_, IDC_IDLE_ANIMATION), GWL_STYLE) & BS_TYPEMASK,
            BS_AUTOCHECKBOX);
  const DWORD extended = static_cast<DWORD>(
      SendMessageW(ListView(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_TRUE(extended & LVS_EX_CHECKBOXES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
}

TEST_F(SettingsDialogTest, ListsEveryDriveWithColumnsIconsAndStoredChoice) {
  WriteSettingsText(L"SelectedDrives", L"C");
  ASSERT_NE(OpenDialog(), nullptr);
  HWND list_view = ListView();
  const int count = static_cast<int>(drive_list.disks.size());
  ASSERT_GE(count, 1);
  ASSERT_EQ(SendMessageW(list_view, LVM_GETITEMCOUNT, 0, 0), count);

  const struct {
    const wchar_t* heading;
    int format;
    int width;
  } columns[] = {{L"Drive Name", LVCFMT_LEFT, 165},
                 {L"Size", LVCFMT_RIGHT, 90},
                 {L"Free Space", LVCFMT_RIGHT, 90}};
  for (int c = 0; c < 3; ++c) {
    wchar_t heading[32] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.pszText = heading;
    column.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(list_view, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(heading, columns[c].heading);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[c].format);
    EXPECT_EQ(column.cx, columns[c].width);
  }

  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(SendMessageW(list_view, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), count);

  for (int i = 0; i < count; ++i) {
    const DiskInfo& disk = drive_list.disks[i];
    SCOPED_TRACE(disk.root_path);
    // The texts come from the records through the list view's text callback.
    EXPECT_EQ(ItemText(list_view, i, 0), disk.display_name);
    EXPECT_EQ(ItemText(list_view, i, 1), disk.size_text);
    EXPECT_EQ(ItemText(list_view, i, 2), disk.free_text);
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = i;
    SendMessageW(list_view, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, i);
    EXPECT_EQ(StateImage(list_view, i), disk.letter == L'C' ? 2 : 1);
  }
}

TEST_F(SettingsDialogTest, IdleBoxFollowsTheStoredValue) {
  const struct {
    const wchar_t* stored;  // nullptr: no value
    bool box_checked;       // the box says "turn off"
  } cases[] = {
      {nullptr, false}, {L"0", true},    {L"1", false},       {L"2", false},
      {L"-3", false},   {L" 0", true},   {L"abc", true},      {L"", true},
      // Longer than the value's room: unreadable, so the animation stays on.
      {L"000000000000000000000000000000", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored: " << (c.stored ? c.stored : L"(none)"));
    if (c.stored != nullptr) {
      WriteSettingsText(L"IdleAnimation", c.stored);
    } else {
      DeleteSettingsValue(L"IdleAnimation");
    }
    EXPECT_EQ(settings_store.LoadIdleAnimation(), c.box_checked ? 0 : 1);
    ASSERT_NE(OpenDialog(), nullptr);
    EXPECT_EQ(IdleBoxChecked(), c.box_checked);
  }
}

TEST_F(SettingsDialogTest, IdleAnimationStoredAsNumberIsNotMisreadAsText) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, g_settings_key, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const DWORD zero = 0;
  RegSetValueExW(key, L"IdleAnimation", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero),
                 sizeof(zero));
  RegCloseKey(key);
  EXPECT_EQ(settings_store.LoadIdleAnimation(), 1);
}

TEST_F(SettingsDialogTest, OkStoresTheBoxesAsTheyAre) {
  ASSERT_NE(OpenDialog(), nullptr);
  HWND list_view = ListView();
  const int count = static_cast<int>(drive_list.disks.size());
  for (int i = 0; i < count; ++i) SetStateImage(list_view, i, 1);
  SendDlgItemMessageW(dialog_, IDC_IDLE_ANIMATION, BM_SETCHECK, BST_CHECKED, 0);
  Command(IDOK);

  const StoredValue drives = ReadSettingsValue(L"SelectedDrives");
  ASSERT_TRUE(drives.present);
  EXPECT_EQ(drives.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(drives.bytes.size(), 2u);  // empty: no drive is defragmented
  const StoredValue idle = ReadSettingsValue(L"IdleAnimation");
  ASSERT_TRUE(idle.present);
  EXPECT_EQ(idle.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(idle.bytes.size(), 44u);
  EXPECT_EQ(SettingsText(L"IdleAnimation"), L"0");

  // Reopened, the empty choice stays empty and the box stays checked.
  ASSERT_NE(OpenDialog(), nullptr);
  for (int i = 0; i < count; ++i) EXPECT_EQ(StateImage(ListView(), i), 1);
  EXPECT_TRUE(IdleBoxChecked());

  const int c_drive = DriveIndex(L'C');
  ASSERT_GE(c_drive, 0);
  SetStateImage(ListView(), c_drive, 2);
  SendDlgItemMessageW(dialog_, IDC_IDLE_ANIMATION, BM_SETCHECK, BST_UNCHECKED, 0);
  Command(IDOK);
  EXPECT_EQ(SettingsText(L"SelectedDrives"), L"C");
  EXPECT_EQ(SettingsText(L"IdleAnimation"), L"1");
  EXPECT_EQ(ReadSettingsValue(L"IdleAnimation").bytes.size(), 44u);
}

TEST_F(SettingsDialogTest, OkSelectsNoRecordThatHasNoCheckedItem) {
  ASSERT_NE(OpenDialog(), nullptr);
  // A record the list view never showed: no item, no state image.
  DiskInfo extra;
  extra.letter = L'Q';
  wcscpy(extra.root_path, L"Q:\\");
  extra.selected = 1;
  drive_list.disks.push_back(extra);
  Command(IDOK);
  EXPECT_EQ(drive_list.disks.back().selected, 0);
  EXPECT_EQ(SettingsText(L"SelectedDrives").find(L'Q'), std::wstring::npos);
}

TEST_F(SettingsDialogTest, CancelStoresNothing) {
  WriteSettingsText(L"SelectedDrives", L"C");
  ASSERT_NE(OpenDialog(), nullptr);
  for (int i = 0; i < static_cast<int>(drive_list.disks.size()); ++i) {
    SetStateImage(ListView(), i, 2);
  }
  SendDlgItemMessageW(dialog_, IDC_IDLE_ANIMATION, BM_SETCHECK, BST_CHECKED, 0);
  Command(IDCANCEL);
  EXPECT_EQ(SettingsText(L"SelectedDrives"), L"C");
  EXPECT_FALSE(ReadSettingsValue(L"IdleAnimation").present);
}

TEST_F(SettingsDialogTest, OpeningWithoutSettingsStoresTheDefaultDrivesOnly) {
  ASSERT_NE(OpenDialog(), nullptr);
  Command(IDCANCEL);
  std::wstring fixed;
  for (const DiskInfo& disk : drive_list.disks) {
    if (disk.drive_type == DRIVE_FIXED) fixed.push_back(disk.letter);
  }
  EXPECT_EQ(SettingsText(L"SelectedDrives"), fixed);
  EXPECT_FALSE(ReadSettingsValue(L"IdleAnimation").present);
}

TEST_F(SettingsDialogTest, LinkOpensItsAddressAndTheDialogStays) {
  ASSERT_NE(OpenDialog(), nullptr);
  HWND link = GetDlgItem(dialog_, IDC_VENDOR_LINK);
  LITEM item = {};
  item.mask = LIF_ITEMINDEX | LIF_URL;
  item.iLink = 0;
  ASSERT_TRUE(SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(wcsncmp(item.szUrl, L"https://", 8), 0) << item.szUrl;

  NMLINK click = {};
  click.hdr.hwndFrom = link;
  click.hdr.idFrom = IDC_VENDOR_LINK;
  click.hdr.code = NM_CLICK;
  click.item = item;
  EXPECT_EQ(SendMessageW(dialog_, WM_NOTIFY, IDC_VENDOR_LINK, reinterpret_cast<LPARAM>(&click)),
            0);
  EXPECT_EQ(g_link_opens, 1);
  EXPECT_EQ(g_opened_link, item.szUrl);
  EXPECT_TRUE(IsWindow(dialog_));
  EXPECT_TRUE(IsWindowVisible(dialog_));

  // A click notification of any other control opens nothing.
  click.hdr.idFrom = IDC_DRIVE_LIST;
  click.hdr.hwndFrom = ListView();
  SendMessageW(dialog_, WM_NOTIFY, IDC_DRIVE_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(g_link_opens, 1);
}

// Runs the dialog modally and, once it shows, does `action` to it.
enum class DialogAction { kOk, kCancelButton, kEscape, kCloseBox };
DialogAction g_action;
int g_timer_ticks = 0;

void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowW(L"#32770", L"Orbenlake Tidewell Screensaver Setup");
  if (dialog == nullptr || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) {
    if (++g_timer_ticks > 100) KillTimer(nullptr, timer);  // the test then times out
    return;
  }
  KillTimer(nullptr, timer);
  switch (g_action) {
    case DialogAction::kOk:
      SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
      break;
    case DialogAction::kCancelButton:
      SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
      break;
    case DialogAction::kEscape:
      SetFocus(GetDlgItem(dialog, IDC_DRIVE_LIST));
      PostMessageW(GetDlgItem(dialog, IDC_DRIVE_LIST), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      break;
    case DialogAction::kCloseBox:
      PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
  }
}

TEST_F(SettingsDialogTest, ModalDialogEndsWithOneOnlyAfterOk) {
  const struct {
    DialogAction action;
    INT_PTR result;
    bool stored;
  } cases[] = {{DialogAction::kCancelButton, 0, false},
               {DialogAction::kEscape, 0, false},
               {DialogAction::kCloseBox, 0, false},
               {DialogAction::kOk, 1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.action));
    drive_list.disks.clear();
    g_action = c.action;
    g_timer_ticks = 0;
    SetTimer(nullptr, 0, 50, ActOnDialog);
    EXPECT_EQ(RunSettingsDialog(GetModuleHandleW(nullptr), nullptr), c.result);
    EXPECT_EQ(ReadSettingsValue(L"IdleAnimation").present, c.stored);
  }
}

}  // namespace
