// The worker program started as its scheduled task would start it: switches in "Params".
#include <gtest/gtest.h>

#include "core/registry_text.h"
#include "tests/worker/worker_process.h"
#include "tests/worker/worker_test_support.h"

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 15000;
const wchar_t kWorkerClass[] = L"TWSAVERX";
const wchar_t kDialogClass[] = L"#32770";

// Puts back every value a worker run may write or read.
class WorkerRunTest : public testing::Test {
 protected:
  void SetParams(const std::wstring& text) {
    SetText(HKEY_CURRENT_USER, g_settings_key, L"Params", text);
  }
  std::wstring Params() {
    wchar_t text[200] = L"";
    ReadRegistryText(HKEY_CURRENT_USER, g_settings_key, L"Params", text, 200);
    return text;
  }
  // A visible top-level window of this test, for owners, parents and the foreground.
  HWND MakeWindow(int x, int y, int width, int height) {
    HWND window = CreateWindowExW(0, L"STATIC", L"worker test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  x, y, width, height, nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(window);
    return window;
  }
  void TearDown() override {
    for (HWND window : windows_) {
      if (IsWindow(window)) DestroyWindow(window);
    }
  }

  // The full-screen window of `worker`, once it is there.
  HWND FullScreenWindowOf(const WorkerProcess& worker) {
    return WaitForProcessWindow(worker.id(), kWorkerClass, nullptr, kStartTimeoutMs);
  }

  SavedRegistryValue params_{HKEY_CURRENT_USER, g_settings_key, L"Params"};
  SavedRegistryValue secure_{HKEY_CURRENT_USER, g_settings_key, L"Secure"};
  SavedRegistryValue selected_{HKEY_CURRENT_USER, g_settings_key, L"SelectedDrives"};
  SavedRegistryValue idle_{HKEY_CURRENT_USER, g_settings_key, L"IdleAnimation"};
  SavedRegistryValue last_defrag_{HKEY_CURRENT_USER, g_settings_key, L"LastDefrag"};
  std::vector<HWND> windows_;
};

// --- full screen ---

TEST_F(WorkerRunTest, FullScreenTopmostPopupClosesOnlyBeyondMouseTolerance) {
  SetCursorPos(600, 500);
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = FullScreenWindowOf(worker);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Params(), L"read");
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_POPUP);
  RECT rect = {};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
  wchar_t title[64] = L"";
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"Orbenlake Tidewell X");

  SetCursorPos(603, 497);  // 3 pixels on each axis: inside the tolerance
  Sleep(300);
  SetCursorPos(597, 503);
  EXPECT_EQ(worker.WaitForExit(800), -1);
  SetCursorPos(604, 500);  // 4 pixels on one axis
  EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0);
}

TEST_F(WorkerRunTest, FullScreenIgnoresKeyUpWheelAndRefusedSystemCommands) {
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = FullScreenWindowOf(worker);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_KEYUP, 'A', 0);
  PostMessageW(window, WM_CHAR, 'a', 0);
  PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  PostMessageW(window, WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 0);
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageW(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  EXPECT_EQ(worker.WaitForExit(1000), -1);
  EXPECT_TRUE(IsWindow(window));
}

class FullScreenCloseTest : public WorkerRunTest, public testing::WithParamInterface<UINT> {};

TEST_P(FullScreenCloseTest, InputClosesTheWindowAndTheProcessEnds) {
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = FullScreenWindowOf(worker);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, GetParam(), 0, 0);
  EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0);
}

INSTANTIATE_TEST_SUITE_P(Messages, FullScreenCloseTest,
                         testing::Values(WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN,
                                         WM_RBUTTONDOWN, WM_MBUTTONDOWN));

TEST_F(WorkerRunTest, FullScreenClosesWhenItLosesActivation) {
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = FullScreenWindowOf(worker);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0);
}

TEST_F(WorkerRunTest, SecondFullScreenStartEndsAtOnce) {
  SetParams(L"/s");
  WorkerProcess first;
  HWND window = FullScreenWindowOf(first);
  ASSERT_NE(window, nullptr);
  SetParams(L"/s");
  WorkerProcess second;
  EXPECT_EQ(second.WaitForExit(kExitTimeoutMs), 0);
  EXPECT_EQ(Params(), L"read");
  EXPECT_TRUE(first.Running());
  PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(first.WaitForExit(kExitTimeoutMs), 0);
}

TEST_F(WorkerRunTest, SecureFullScreenRunsOnTheScreenSaverDesktop) {
  HDESK desktop = CreateDesktopW(L"Screen-saver", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  ASSERT_NE(desktop, nullptr);
  SetText(HKEY_CURRENT_USER, g_settings_key, L"Secure", L"1");
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = WaitForDesktopWindow(desktop, worker.id(), kWorkerClass, kStartTimeoutMs);
  EXPECT_NE(window, nullptr);
  EXPECT_EQ(WaitForProcessWindow(worker.id(), kWorkerClass, nullptr, 0), nullptr);
  if (window != nullptr) PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0);
  CloseDesktop(desktop);
}

TEST_F(WorkerRunTest, SecureWithoutTheDesktopShowsNothing) {
  SetText(HKEY_CURRENT_USER, g_settings_key, L"Secure", L"1");
  SetParams(L"/s");
  WorkerProcess worker;
  EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0);
}

// --- preview ---

TEST_F(WorkerRunTest, PreviewFillsItsParentIgnoresInputAndEndsWithIt) {
  HWND parent = MakeWindow(40, 30, 320, 240);
  RECT parent_rect = {};
  GetWindowRect(parent, &parent_rect);
  SetParams(L"/p " + std::to_wstring(reinterpret_cast<intptr_t>(parent)));
  WorkerProcess worker;
  HWND child = WaitForProcessWindow(worker.id(), kWorkerClass, parent, kStartTimeoutMs);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), parent);
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
  RECT rect = {};
  GetWindowRect(child, &rect);
  EXPECT_EQ(rect.right - rect.left, parent_rect.right - parent_rect.left);
  EXPECT_EQ(rect.bottom - rect.top, parent_rect.bottom - parent_rect.top);
  POINT origin = {rect.left, rect.top};
  ScreenToClient(parent, &origin);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);

  for (UINT message : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
    PostMessageW(child, message, 0, 0);
  }
  PostMessageW(child, WM_ACTIVATEAPP, FALSE, 0);
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child),
                                  MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), SMTO_NORMAL, 5000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  EXPECT_EQ(worker.WaitForExit(800), -1);

  DestroyWindow(parent);
  EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0);
}

TEST_F(WorkerRunTest, PreviewWithoutAWindowShowsNothing) {
  for (const wchar_t* params : {L"/p", L"/p 0", L"/p:7"}) {
    SetParams(params);
    WorkerProcess worker;
    EXPECT_EQ(worker.WaitForExit(kExitTimeoutMs), 0) << "Params '" << params << "'";
    EXPECT_EQ(Params(), L"read");
  }
}

// --- settings dialog ---

struct DialogRun {
  HWND dialog = nullptr;
  HWND owner = nullptr;
  long exit_code = -1;
};

DialogRun RunDialogAndCancel() {
  DialogRun run;
  WorkerProcess worker;
  run.dialog = WaitForProcessWindow(worker.id(), kDialogClass, nullptr, kStartTimeoutMs);
  if (run.dialog == nullptr) return run;
  run.owner = GetWindow(run.dialog, GW_OWNER);
  PostMessageW(run.dialog, WM_COMMAND, IDCANCEL, 0);
  run.exit_code = worker.WaitForExit(kExitTimeoutMs);
  return run;
}

TEST_F(WorkerRunTest, SettingsDialogOwners) {
  HWND foreground = MakeWindow(10, 10, 200, 150);
  HWND other = MakeWindow(300, 10, 200, 150);
  SetForegroundWindow(foreground);
  ASSERT_EQ(GetForegroundWindow(), foreground);

  DeleteValue(HKEY_CURRENT_USER, g_settings_key, L"Params");
  DialogRun absent = RunDialogAndCancel();
  ASSERT_NE(absent.dialog, nullptr);
  EXPECT_EQ(absent.owner, foreground);
  EXPECT_EQ(absent.exit_code, 0);

  SetParams(L"/c:" + std::to_wstring(reinterpret_cast<intptr_t>(other)));
  DialogRun numbered = RunDialogAndCancel();
  ASSERT_NE(numbered.dialog, nullptr);
  EXPECT_EQ(numbered.owner, other);
  EXPECT_EQ(numbered.exit_code, 0);
  EXPECT_EQ(Params(), L"read");

  DialogRun after_read = RunDialogAndCancel();  // "read" left by the previous start
  ASSERT_NE(after_read.dialog, nullptr);
  EXPECT_EQ(after_read.owner, nullptr);
  EXPECT_EQ(after_read.exit_code, 0);
}

}  // namespace
