// The settings dialog, run for real from its template.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "core/drive_list/drive_list.h"
#include "core/resources/resource_ids.h"
#include "core/drive_list/settings_dialog.h"
#include "core/drive_list/settings_store.h"
#include "tests/support/settings_values.h"
#include "tests/support/test_support.h"

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

// The value is stored in its whole 22-unit room, zeros behind the text.
Bytes IdleAnimationBytes(const wchar_t* digit) { return Utf16Bytes(digit) + Bytes(40, '\0'); }

std::wstring ItemText(HWND list_view, int item, int sub_item) {
  wchar_t buffer[64] = {};
  LVITEMW request = {};
  request.iSubItem = sub_item;
  request.pszText = buffer;
  request.cchTextMax = 64;
  SendMessageW(list_view, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
  return buffer;
}

// One control of the compiled dialog template (DLGITEMTEMPLATEEX), as the resource holds it.
struct TemplateControl {
  DWORD style;
  short x, y, cx, cy;
};

// Skips a name-or-ordinal field: empty, 0xFFFF and an ordinal, or a terminated text.
const WORD* SkipNameOrOrdinal(const WORD* field) {
  if (*field == 0xFFFF) return field + 2;
  while (*field != 0) ++field;
  return field + 1;
}

const WORD* AlignToDword(const WORD* at, const BYTE* base) {
  const size_t offset = reinterpret_cast<const BYTE*>(at) - base;
  return reinterpret_cast<const WORD*>(base + ((offset + 3) & ~size_t(3)));
}

std::vector<TemplateControl> ReadTemplateControls() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(DLG_SCRNSAVECONFIGURE), RT_DIALOG);
  if (found == nullptr) return {};
  const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  const WORD* at = reinterpret_cast<const WORD*>(base);
  if (at[0] != 1 || at[1] != 0xFFFF) return {};  // not an extended template
  const WORD count = at[8];
  at += 13;  // version, signature, help id, extended style, style, count, x, y, cx, cy
  at = SkipNameOrOrdinal(at);  // menu
  at = SkipNameOrOrdinal(at);  // class
  at = SkipNameOrOrdinal(at);  // caption
  at += 3;                     // point size, weight, italic and character set
  at = SkipNameOrOrdinal(at);  // typeface
  std::vector<TemplateControl> controls;
  for (WORD i = 0; i < count; ++i) {
    at = AlignToDword(at, base);
    const DWORD* numbers = reinterpret_cast<const DWORD*>(at);
    const short* box = reinterpret_cast<const short*>(numbers + 3);
    controls.push_back({numbers[2], box[0], box[1], box[2], box[3]});
    at = reinterpret_cast<const WORD*>(box + 4) + 2;  // past the 32-bit id
    at = SkipNameOrOrdinal(at);                       // class
    at = SkipNameOrOrdinal(at);                       // text
    at = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(at + 1) + *at);  // extra data
  }
  return controls;
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
    dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(DLG_SCRNSAVECONFIGURE),
                                 nullptr, ScreenSaverConfigureDialog, 0);
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

  SettingsSandbox sandbox_;
  HWND dialog_ = nullptr;
};

TEST_F(SettingsDialogTest, ShowsItsTemplateAndEveryDriveWithTheStoredChoice) {
  SetText(HKEY_CURRENT_USER, L"SelectedDrives", L"C");
  // The dialog lists, as it opens, the drives the platform shows at that moment.
  ASSERT_TRUE(SystemDriveShown()) << "the prefix shows no drive C: to list";
  ASSERT_NE(OpenDialog(), nullptr);
  wchar_t text[64] = {};
  GetWindowTextW(dialog_, text, 64);
  EXPECT_STREQ(text, L"Orbenlake Tidewell Screensaver Setup");
  const struct {
    int id;
    const wchar_t* window_class;
    const wchar_t* text;  // nullptr: not compared
    DWORD style;          // besides WS_CHILD and WS_VISIBLE
    RECT units;           // x, y, width and height in dialog units; all 0: not compared
  } controls[] = {
      {IDOK, L"Button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {165, 204, 50, 14}},
      {IDCANCEL, L"Button", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, {220, 204, 50, 14}},
      {-1, L"Static", L"Orbenlake Tidewell Screensaver", SS_LEFT | WS_GROUP, {51, 7, 111, 8}},
      {-1, L"Static", L"Version: 1.1.1.50", SS_LEFT | WS_GROUP, {52, 19, 57, 8}},
      {-1,
       L"Button",
       L"Select disks to be defragmented by the screensaver",
       BS_GROUPBOX,
       {7, 35, 264, 122}},
      {-1, L"Static", nullptr, SS_ICON, {}},
      {IDC_DRIVE_LIST,
       L"SysListView32",
       nullptr,
       LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | WS_TABSTOP,
       {17, 49, 244, 98}},
      {IDC_VENDOR_LINK, L"SysLink", nullptr, WS_TABSTOP, {17, 204, 66, 9}},
      {IDC_IDLE_ANIMATION,
       L"Button",
       L"Turn off animation when idle",
       BS_AUTOCHECKBOX | WS_TABSTOP,
       {17, 177, 107, 10}},
      {-1, L"Button", L"Animation settings", BS_GROUPBOX, {7, 164, 264, 32}},
  };
  HWND child = GetWindow(dialog_, GW_CHILD);
  for (const auto& control : controls) {
    SCOPED_TRACE(control.window_class);
    ASSERT_NE(child, nullptr);
    if (control.units.right != 0) {
      // Each of the four converted on its own, as the dialog manager places a control.
      RECT expected = control.units;
      MapDialogRect(dialog_, &expected);
      RECT placed = {};
      GetWindowRect(child, &placed);
      MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&placed), 2);
      EXPECT_EQ(placed.left, expected.left);
      EXPECT_EQ(placed.top, expected.top);
      EXPECT_EQ(placed.right - placed.left, expected.right);
      EXPECT_EQ(placed.bottom - placed.top, expected.bottom);
    }
    EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(control.id));
    GetClassNameW(child, text, 64);
    EXPECT_EQ(_wcsicmp(text, control.window_class), 0) << text;
    GetWindowTextW(child, text, 64);
    if (control.text != nullptr) {
      EXPECT_STREQ(text, control.text);
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    EXPECT_EQ(style & control.style, control.style);
    EXPECT_EQ(style & WS_TABSTOP, control.style & WS_TABSTOP);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr);
  // The box says "turn off": unchecked while nothing is stored, as the animation is on.
  EXPECT_FALSE(IdleBoxChecked());

  HWND list_view = ListView();
  EXPECT_FALSE(GetWindowLongW(list_view, GWL_STYLE) & LVS_SHAREIMAGELISTS);
  const DWORD extended =
      static_cast<DWORD>(SendMessageW(list_view, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
            static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));

  const struct {
    const wchar_t* heading;
    int format;
  } columns[] = {
      {L"Drive Name", LVCFMT_LEFT}, {L"Size", LVCFMT_RIGHT}, {L"Free Space", LVCFMT_RIGHT}};
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
  bool system_drive_listed = false;  // a wine prefix has C: and Z:, both fixed
  for (int i = 0; i < count; ++i) {
    const DiskInfo& disk = drive_list.disks[i];
    system_drive_listed |= disk.letter == L'C';
    SCOPED_TRACE(disk.root_path);
    // The texts come from the records through the list view's text callback.
    EXPECT_EQ(ItemText(list_view, i, 0), disk.display_name);
    EXPECT_EQ(ItemText(list_view, i, 1), disk.size_text);
    EXPECT_EQ(ItemText(list_view, i, 2), disk.free_text);
    LVITEMW item = {LVIF_IMAGE, i};
    SendMessageW(list_view, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, i);
    EXPECT_EQ(StateImage(list_view, i), disk.letter == L'C' ? 2 : 1);
  }
  EXPECT_TRUE(system_drive_listed);

  // The link opens its address and the dialog stays; another control's click opens nothing.
  HWND link = GetDlgItem(dialog_, IDC_VENDOR_LINK);
  NMLINK click = {};
  click.item.mask = LIF_ITEMINDEX | LIF_URL;
  ASSERT_TRUE(SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&click.item)));
  EXPECT_EQ(wcsncmp(click.item.szUrl, L"https://", 8), 0) << click.item.szUrl;
  click.hdr = {link, IDC_VENDOR_LINK, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(SendMessageW(dialog_, WM_NOTIFY, IDC_VENDOR_LINK, reinterpret_cast<LPARAM>(&click)), 0);
  click.hdr = {list_view, IDC_DRIVE_LIST, static_cast<UINT>(NM_CLICK)};
  SendMessageW(dialog_, WM_NOTIFY, IDC_DRIVE_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(g_link_opens, 1);
  EXPECT_EQ(g_opened_link, click.item.szUrl);
  EXPECT_TRUE(IsWindowVisible(dialog_));
}

TEST(SettingsDialogTemplate, IconControlKeepsItsSizeInTheCompiledTemplate) {
  const std::vector<TemplateControl> controls = ReadTemplateControls();
  ASSERT_EQ(controls.size(), 10u);
  const TemplateControl& icon = controls[5];
  EXPECT_EQ(icon.style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
  EXPECT_EQ(icon.x, 15);
  EXPECT_EQ(icon.y, 7);
  EXPECT_EQ(icon.cx, 20);
  EXPECT_EQ(icon.cy, 20);
  // The parse stays in step: the controls after it are where the template puts them.
  EXPECT_EQ(controls[6].x, 17);
  EXPECT_EQ(controls[6].cx, 244);
  EXPECT_EQ(controls[9].cy, 32);
}

TEST_F(SettingsDialogTest, IdleAnimationReadsAsTheRuntimeReadsANumber) {
  const struct {
    const wchar_t* stored;  // nullptr: no value
    int animation_on;
    bool terminated = true;
  } cases[] = {
      {nullptr, 1},
      {L"0", 0},
      {L"1", 1},
      {L"2", 1},
      {L"-3", 1},
      {L" 0", 0},
      {L"abc", 0},
      {L"", 0},
      // Longer than the value's room: unreadable, so the animation stays on.
      {L"000000000000000000000000000000", 1},
      // Filling the room exactly without a terminator: read up to the room's end.
      {L"0000000000000000000000", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored: " << (c.stored ? c.stored : L"(none)"));
    if (c.stored != nullptr) {
      SetValue(HKEY_CURRENT_USER, L"IdleAnimation", REG_SZ, Utf16Bytes(c.stored, c.terminated));
    } else {
      DeleteValue(HKEY_CURRENT_USER, L"IdleAnimation");
    }
    EXPECT_EQ(settings_store.LoadIdleAnimation(), c.animation_on);
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

  DWORD types[2] = {};
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, L"SelectedDrives", &types[0]), Utf16Bytes(L""));
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, L"IdleAnimation", &types[1]), IdleAnimationBytes(L"0"));
  EXPECT_EQ(types[0], static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(types[1], static_cast<DWORD>(REG_SZ));

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
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, L"IdleAnimation"), IdleAnimationBytes(L"1"));
}

// Opening without settings stores the fixed drives; Cancel, Esc and the close box add nothing.
TEST_F(SettingsDialogTest, CancelEscapeAndCloseBoxStoreNothing) {
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    ASSERT_NE(OpenDialog(), nullptr);
    std::wstring fixed;
    for (const DiskInfo& disk : drive_list.disks) {
      if (disk.drive_type == DRIVE_FIXED) fixed.push_back(disk.letter);
    }
    SetAllStateImages(ListView(), way == 0 ? 1 : 2);
    SetIdleBox(true);
    if (way == 0) {
      Command(IDCANCEL);
    } else if (way == 1) {
      SetFocus(ListView());
      MSG key = {ListView(), WM_KEYDOWN, VK_ESCAPE, 0x00010001};
      EXPECT_TRUE(IsDialogMessageW(dialog_, &key));
    } else {
      SendMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
      // The dialog posts itself the cancel command.
      for (MSG posted; PeekMessageW(&posted, dialog_, 0, 0, PM_REMOVE);) {
        DispatchMessageW(&posted);
      }
    }
    EXPECT_FALSE(IsWindowVisible(dialog_));  // the dialog has ended
    EXPECT_EQ(SettingsText(L"SelectedDrives"), fixed);
    EXPECT_FALSE(RawValue(HKEY_CURRENT_USER, L"IdleAnimation"));
  }
}

}  // namespace
