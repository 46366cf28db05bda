// twsaver.scr started as its own process, the way the system starts a screen saver.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>

#include "tests/support/child_process.h"
#include "tests/support/settings_values.h"
#include "tests/support/test_support.h"

namespace {

constexpr wchar_t kSaverClass[] = L"WindowsScreenSaverClass";
constexpr wchar_t kDialogCaption[] = L"Orbenlake Tidewell Screensaver Setup";

struct Saver : ChildProcess {
  explicit Saver(const std::wstring& arguments) : ChildProcess(L"twsaver.scr", arguments) {}
};

// A defragmentation end time was stored (absent or 0 means none).
bool LastDefragStored() {
  const std::wstring text = SettingsText(L"LastDefrag");
  return !text.empty() && text != L"0";
}

void Idle(DWORD ms) {
  PumpMessagesUntil([] { return false; }, ms);
}

// Whether the screen inside `rect` shows anything but black.
bool ScreenShowsSomething(const RECT& rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  bool something = false;
  const DWORD* pixels = static_cast<const DWORD*>(bits);
  for (int i = 0; bits != nullptr && i < width * height && !something; ++i) {
    something = (pixels[i] & 0xFFFFFF) != 0;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  ReleaseDC(nullptr, screen);
  return something;
}

class SaverProcessTest : public testing::Test {
 protected:
  // The saver inherits the environment: the simulated engine then runs its work quickly.
  SaverProcessTest() { SetEnvironmentVariableW(L"TW_SIM_SPEED", L"fast"); }
  ~SaverProcessTest() override { SetEnvironmentVariableW(L"TW_SIM_SPEED", nullptr); }
  SettingsSandbox sandbox_;
};

TEST_F(SaverProcessTest, FullScreenPaintsRunsACycleAndClosesOnlyWhenTheMouseMovesFarEnough) {
  SetText(HKEY_CURRENT_USER, L"SelectedDrives", L"C");
  // The saver reads its drives once, as it starts: without C: it has nothing to run.
  ASSERT_TRUE(SystemDriveShown()) << "the prefix shows no drive C: to defragment";
  ASSERT_TRUE(PlaceCursor(200, 200));
  Saver saver(L"/s");
  HWND window = saver.WaitForWindow(kSaverClass, L"Screen Saver");
  ASSERT_NE(window, nullptr);

  RECT rect = {};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
  EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(PumpMessagesUntil([&] { return ScreenShowsSomething(rect); }, 10000))
      << "the saver never painted a frame";
  // A cycle's end is stored while the saver runs; a saver that ended will store none.
  PumpMessagesUntil([&] { return LastDefragStored() || !saver.Running(); }, 30000);
  EXPECT_TRUE(LastDefragStored()) << (saver.Running() ? "no cycle ended"
                                                      : "the saver ended before a cycle did");

  EXPECT_EQ(Saver(L"-S").WaitForExit(), 0u);  // a second full-screen start leaves at once
  // Text changes are refused, so a later start still finds the running saver by name.
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"renamed"), SMTO_BLOCK, 5000,
                      nullptr);
  wchar_t title[32] = {};
  GetWindowTextW(window, title, 32);
  EXPECT_STREQ(title, L"Screen Saver");

  // Neither a key release, a wheel turn nor a move of 4 pixels in total closes it.
  PostMessageW(window, WM_KEYUP, 'A', 0xC01E0001);
  PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(200, 200));
  ASSERT_TRUE(PlaceCursor(202, 202));
  Idle(800);
  EXPECT_TRUE(saver.Running());
  PlaceCursor(210, 206);
  EXPECT_EQ(saver.WaitForExit(), 0u);
}

// What the preview's parent received of the help and context-menu requests.
struct ParentRequests {
  int helps = 0;
  WPARAM help_wparam = 0;
  HELPINFO help = {};
  int menus = 0;
  LPARAM menu_at = 0;
} g_parent_requests;

LRESULT CALLBACK RecordingParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_HELP) {
    ++g_parent_requests.helps;
    g_parent_requests.help_wparam = wparam;
    g_parent_requests.help = *reinterpret_cast<const HELPINFO*>(lparam);
    return TRUE;
  }
  if (message == WM_CONTEXTMENU) {
    ++g_parent_requests.menus;
    g_parent_requests.menu_at = lparam;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST_F(SaverProcessTest, PreviewLivesInItsParentHandsItHelpAndMenusAndEndsWithIt) {
  SetText(HKEY_CURRENT_USER, L"SelectedDrives", L"C");
  HWND parent = MakeTestWindow(320, 240);
  SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingParentProc));
  Saver saver(L"/p " + WindowNumber(parent));
  HWND preview =
      WaitForWindow([&] { return FindWindowExW(parent, nullptr, kSaverClass, L"Preview"); });
  ASSERT_NE(preview, nullptr);
  RECT preview_rect = {};
  GetWindowRect(preview, &preview_rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&preview_rect), 2);
  const RECT expected = {0, 0, 320, 240};
  EXPECT_TRUE(EqualRect(&preview_rect, &expected));

  // Input does not close a preview.
  PostMessageW(preview, WM_KEYDOWN, 'A', 0x001E0001);
  PostMessageW(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  Idle(1500);
  EXPECT_TRUE(saver.Running());
  // A preview only analyses: it never stores the time of a finished defragmentation.
  EXPECT_FALSE(LastDefragStored());

  // The help request carries a pointer: it must reach the parent with what it points to.
  const HELPINFO help = {sizeof(HELPINFO), HELPINFO_WINDOW, 7, preview, 1234, {11, 22}};
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(preview, WM_HELP, 0, reinterpret_cast<LPARAM>(&help), SMTO_NORMAL,
                                  10000, &answer));
  EXPECT_EQ(answer, 1u);
  ASSERT_EQ(g_parent_requests.helps, 1);
  EXPECT_EQ(g_parent_requests.help_wparam, reinterpret_cast<WPARAM>(parent));
  auto fields = [](const HELPINFO& h) {
    return std::make_tuple(h.cbSize, h.iContextType, h.iCtrlId, h.hItemHandle, h.dwContextId,
                           h.MousePos.x, h.MousePos.y);
  };
  EXPECT_EQ(fields(g_parent_requests.help), fields(help));

  PostMessageW(preview, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(preview), MAKELPARAM(33, 44));
  EXPECT_TRUE(PumpMessagesUntil([] { return g_parent_requests.menus == 1; }, 10000));
  EXPECT_EQ(g_parent_requests.menu_at, MAKELPARAM(33, 44));
  DestroyWindow(parent);
  EXPECT_EQ(saver.WaitForExit(), 0u);
}

TEST_F(SaverProcessTest, UnknownSwitchOrPreviewWithoutWindowShowsNothing) {
  HWND gone = MakeTestWindow(10, 10);
  const std::wstring dead_handle = WindowNumber(gone);
  DestroyWindow(gone);
  for (const std::wstring& arguments :
       {std::wstring(L"/p 0"), std::wstring(L"/p"), L"/l " + dead_handle, std::wstring(L"/x"),
        std::wstring(L"/a")}) {
    SCOPED_TRACE(testing::Message() << "arguments: " << arguments);
    Saver saver(arguments);
    ASSERT_TRUE(saver.started());
    EXPECT_EQ(saver.WaitForExit(), static_cast<DWORD>(-1));
  }
}

TEST_F(SaverProcessTest, SettingsSwitchesOpenTheDialogOverTheirOwner) {
  HWND owner = MakeTestWindow(100, 100);
  HWND foreground = MakeTestWindow(100, 100);
  const struct {
    std::wstring arguments;
    HWND owner;
    int button;
    DWORD exit_code;
  } cases[] = {{L"/c:" + WindowNumber(owner), owner, IDCANCEL, 0},
               {L"/c", foreground, IDCANCEL, 0},
               {L"", nullptr, IDOK, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "arguments: " << c.arguments);
    SetForegroundWindow(foreground);
    ASSERT_EQ(GetForegroundWindow(), foreground);
    Saver saver(c.arguments);
    HWND dialog = saver.WaitForWindow(L"#32770", kDialogCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), c.owner);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
    EXPECT_EQ(saver.WaitForExit(), c.exit_code);
    // OK stores the animation as on; Cancel stores nothing.
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, L"IdleAnimation").has_value(), c.button == IDOK);
    EXPECT_EQ(SettingsText(L"IdleAnimation"), c.button == IDOK ? L"1" : L"");
  }
  DestroyWindow(owner);
  DestroyWindow(foreground);
}

}  // namespace
