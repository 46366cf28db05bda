// The settings dialog, run for real from its template with HKEY_CURRENT_USER redirected.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/drive_list.h"
#include "core/resources/resource_ids.h"
#include "core/settings_dialog.h"
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

void SetAllStateImages(HWND list_view, int image) {
  LVITEMW state = {};
  state.stateMask = LVIS_STATEIMAGEMASK;
  state.state = INDEXTOSTATEIMAGEMASK(image);
  SendMessageW(list_view, LVM_SETITEMSTATE, -1, reinterpret_cast<LPARAM>(&state));
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

class SettingsDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
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
  void SetIdleBox(bool checked) {
    SendDlgItemMessageW(dialog_, IDC_IDLE_ANIMATION, BM_SETCHECK,
                        checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void Command(int id) { SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  CurrentUserSandbox sandbox_;
  HWND dialog_ = nullptr;
};

TEST_F(SettingsDialogTest, ListsEveryDriveInItsTemplateWithColumnsIconsAndStoredChoice) {
  WriteSettingsText(L"SelectedDrives", L"C");
  ASSERT_NE(OpenDialog(), nullptr);
  wchar_t text[64] = {};
  GetWindowTextW(dialog_, text, 64);
  EXPECT_STREQ(text, L"Orbenlake Tidewell Screensaver Setup");
  HWND list_view = ListView();
  GetClassNameW(list_view, text, 64);
  EXPECT_EQ(_wcsicmp(text, L"SysListView32"), 0) << text;
  EXPECT_FALSE(GetWindowLongW(list_view, GWL_STYLE) & LVS_SHAREIMAGELISTS);
  const DWORD extended =
      static_cast<DWORD>(SendMessageW(list_view, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
            static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));

  const struct {
    const wchar_t* heading;
    int format;
  } columns[] = {{L"Drive Name", LVCFMT_LEFT}, {L"Size", LVCFMT_RIGHT},
                 {L"Free Space", LVCFMT_RIGHT}};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list_view, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, columns[c].heading);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[c].format);
    EXPECT_EQ(column.cx, c == 0 ? 165 : 90);
  }

  const int count = static_cast<int>(drive_list.disks.size());
  ASSERT_GE(count, 1);
  ASSERT_EQ(SendMessageW(list_view, LVM_GETITEMCOUNT, 0, 0), count);
  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(SendMessageW(list_view, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
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
      {nullptr, false}, {L"0", true},  {L"1", false},   {L"2", false},
      {L"-3", false},   {L" 0", true}, {L"abc", true},  {L"", true},
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
    ASSERT_NE(OpenDialog(), nullptr);
    EXPECT_EQ(IdleBoxChecked(), c.box_checked);
  }
}

TEST_F(SettingsDialogTest, OkStoresTheBoxesAsTheyAre) {
  ASSERT_NE(OpenDialog(), nullptr);
  const int count = static_cast<int>(drive_list.disks.size());
  SetAllStateImages(ListView(), 1);
  SetIdleBox(true);
  // A record the list view never showed (no item, no state image) is not selected.
  DiskInfo extra;
  extra.letter = L'Q';
  extra.selected = 1;
  drive_list.disks.push_back(extra);
  Command(IDOK);
  EXPECT_EQ(drive_list.disks.back().selected, 0);

  const StoredValue drives = ReadSettingsValue(L"SelectedDrives");
  EXPECT_EQ(drives.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(drives.bytes, 2u);  // empty: no drive is defragmented
  const StoredValue idle = ReadSettingsValue(L"IdleAnimation");
  EXPECT_EQ(idle.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(idle.bytes, 44u);
  EXPECT_EQ(SettingsText(L"IdleAnimation"), L"0");

  // Reopened, the empty choice stays empty and the box stays checked.
  ASSERT_NE(OpenDialog(), nullptr);
  for (int i = 0; i < count; ++i) EXPECT_EQ(StateImage(ListView(), i), 1);
  EXPECT_TRUE(IdleBoxChecked());

  SetAllStateImages(ListView(), 2);
  SetIdleBox(false);
  Command(IDOK);
  std::wstring all;
  for (const DiskInfo& disk : drive_list.disks) all.push_back(disk.letter);
  EXPECT_EQ(SettingsText(L"SelectedDrives"), all);
  EXPECT_EQ(SettingsText(L"IdleAnimation"), L"1");
  EXPECT_EQ(ReadSettingsValue(L"IdleAnimation").bytes, 44u);
}

TEST_F(SettingsDialogTest, OpeningStoresTheDefaultDrivesAndCancelNothingMore) {
  ASSERT_NE(OpenDialog(), nullptr);
  std::wstring fixed;
  for (const DiskInfo& disk : drive_list.disks) {
    if (disk.drive_type == DRIVE_FIXED) fixed.push_back(disk.letter);
  }
  SetAllStateImages(ListView(), 1);
  SetIdleBox(true);
  Command(IDCANCEL);
  EXPECT_EQ(SettingsText(L"SelectedDrives"), fixed);
  EXPECT_FALSE(ReadSettingsValue(L"IdleAnimation").present());
}

TEST_F(SettingsDialogTest, LinkOpensItsAddressAndTheDialogStays) {
  ASSERT_NE(OpenDialog(), nullptr);
  HWND link = GetDlgItem(dialog_, IDC_VENDOR_LINK);
  NMLINK click = {};
  click.item.mask = LIF_ITEMINDEX | LIF_URL;
  ASSERT_TRUE(SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&click.item)));
  EXPECT_EQ(wcsncmp(click.item.szUrl, L"https://", 8), 0) << click.item.szUrl;

  click.hdr = {link, IDC_VENDOR_LINK, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(SendMessageW(dialog_, WM_NOTIFY, IDC_VENDOR_LINK, reinterpret_cast<LPARAM>(&click)),
            0);
  EXPECT_EQ(g_link_opens, 1);
  EXPECT_EQ(g_opened_link, click.item.szUrl);
  EXPECT_TRUE(IsWindowVisible(dialog_));

  // A click notification of any other control opens nothing.
  click.hdr = {ListView(), IDC_DRIVE_LIST, static_cast<UINT>(NM_CLICK)};
  SendMessageW(dialog_, WM_NOTIFY, IDC_DRIVE_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(g_link_opens, 1);
}

// Runs the dialog modally and, once it shows, does `g_action` to it.
enum class DialogAction { kOk, kCancelButton, kEscape, kCloseBox };
DialogAction g_action;
int g_timer_ticks = 0;

void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowW(L"#32770", L"Orbenlake Tidewell Screensaver Setup");
  if (dialog == nullptr || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) {
    if (++g_timer_ticks > 200) KillTimer(nullptr, timer);  // the test then times out
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
  } cases[] = {{DialogAction::kCancelButton, 0},
               {DialogAction::kEscape, 0},
               {DialogAction::kCloseBox, 0},
               {DialogAction::kOk, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.action));
    drive_list.disks.clear();
    g_action = c.action;
    g_timer_ticks = 0;
    SetTimer(nullptr, 0, 50, ActOnDialog);
    EXPECT_EQ(RunSettingsDialog(GetModuleHandleW(nullptr), nullptr), c.result);
    EXPECT_EQ(ReadSettingsValue(L"IdleAnimation").present(), c.result == 1);
  }
}

}  // namespace
