// The worker program started as its scheduled task would start it (switches in "Params"),
// and its two maintenance command lines.
#include <gtest/gtest.h>

#include <optional>

#include "tests/support/test_support.h"
#include "tests/twsaverx/worker_test_support.h"

namespace {

const wchar_t kWorkerClass[] = L"TWSAVERX";
constexpr DWORD kStillRunning = STILL_ACTIVE;

std::wstring Params() { return SettingsText(L"Params"); }

// The first top-level window of this class on `desktop`.
HWND DesktopWindowOfClass(HDESK desktop, const wchar_t* window_class) {
  std::pair<const wchar_t*, HWND> search = {window_class, nullptr};
  EnumDesktopWindows(
      desktop,
      [](HWND window, LPARAM data) CALLBACK -> BOOL {
        auto* search = reinterpret_cast<std::pair<const wchar_t*, HWND>*>(data);
        wchar_t name[64] = L"";
        GetClassNameW(window, name, 64);
        if (wcscmp(name, search->first) != 0) return TRUE;
        search->second = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// Puts back every value a worker run may write or read.
class WorkerRunTest : public testing::Test {
 protected:
  void SetParams(const std::wstring& text) { SetText(HKEY_CURRENT_USER, L"Params", text); }

  // A visible top-level window of this test, for owners, parents and the foreground.
  HWND MakeWindow(int width, int height) {
    windows_.push_back(MakeTestWindow(width, height));
    return windows_.back();
  }
  void TearDown() override {
    for (HWND window : windows_) DestroyWindow(window);
  }

  SettingsSandbox sandbox_;
  std::vector<HWND> windows_;
};

TEST_F(WorkerRunTest, FullScreenRunsOnceAndClosesOnlyBeyondTheMouseTolerance) {
  ASSERT_TRUE(PlaceCursor(600, 500));
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = worker.WaitForWindow(kWorkerClass);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Params(), L"read");
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_POPUP);
  RECT rect = {};
  GetWindowRect(window, &rect);
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  EXPECT_TRUE(EqualRect(&rect, &screen));
  wchar_t title[64] = L"";
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"Orbenlake Tidewell X");

  SetParams(L"/s");
  WorkerProcess second;  // one full-screen run at a time
  EXPECT_EQ(second.WaitForExit(), 0u);
  EXPECT_EQ(Params(), L"read");

  // Neither a key release, a character, the wheel, an extra button nor a refused system
  // command closes the window; nor do moves of 3 pixels on each axis.
  const std::pair<UINT, WPARAM> ignored[] = {{WM_KEYUP, 'A'},
                                             {WM_CHAR, 'a'},
                                             {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA)},
                                             {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1)},
                                             {WM_SYSCOMMAND, SC_CLOSE},
                                             {WM_SYSCOMMAND, SC_SCREENSAVE}};
  for (const auto& message : ignored) PostMessageW(window, message.first, message.second, 0);
  ASSERT_TRUE(PlaceCursor(603, 497));
  ASSERT_TRUE(PlaceCursor(597, 503));
  EXPECT_EQ(worker.WaitForExit(1000), kStillRunning);
  PlaceCursor(604, 500);  // 4 pixels on one axis
  EXPECT_EQ(worker.WaitForExit(), 0u);
}

class FullScreenCloseTest : public WorkerRunTest, public testing::WithParamInterface<UINT> {};

// Closing destroys the window, which deactivates it and asks to close again: the process
// must still end.
TEST_P(FullScreenCloseTest, InputOrDeactivationClosesTheWindowAndTheProcessEnds) {
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = worker.WaitForWindow(kWorkerClass);
  ASSERT_NE(window, nullptr);
  if (GetParam() == WM_ACTIVATE || GetParam() == WM_ACTIVATEAPP) {
    // Being activated must not close it, only losing activation. A window closed while
    // it is being shown takes wine about 2 s to take down: wait longer than that.
    ASSERT_EQ(worker.WaitForExit(3000), kStillRunning);
  }
  PostMessageW(window, GetParam(), 0, 0);  // wParam 0: a key, a button, or deactivation
  EXPECT_EQ(worker.WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Messages, FullScreenCloseTest,
                         testing::Values(WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                                         WM_MBUTTONDOWN, WM_ACTIVATE, WM_ACTIVATEAPP));

TEST_F(WorkerRunTest, SecureRunsOnTheScreenSaverDesktopOrNotAtAll) {
  SetText(HKEY_CURRENT_USER, L"Secure", L"1");
  SetParams(L"/s");
  WorkerProcess without_desktop;  // the desktop does not exist yet
  EXPECT_EQ(without_desktop.WaitForExit(), 0u);

  HDESK desktop = CreateDesktopW(L"Screen-saver", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  ASSERT_NE(desktop, nullptr);
  SetParams(L"/s");
  WorkerProcess worker;
  HWND window = WaitForWindow([&] { return DesktopWindowOfClass(desktop, kWorkerClass); });
  EXPECT_NE(window, nullptr);
  EXPECT_EQ(FindProcessWindow(worker.id(), kWorkerClass), nullptr);
  if (window != nullptr) PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(worker.WaitForExit(), 0u);
  CloseDesktop(desktop);
}

TEST_F(WorkerRunTest, PreviewFillsItsParentIgnoresInputAndEndsWithIt) {
  HWND parent = MakeWindow(320, 240);
  SetParams(L"/p " + WindowNumber(parent));
  WorkerProcess worker;
  HWND child = WaitForWindow([&] { return FindWindowExW(parent, nullptr, kWorkerClass, nullptr); });
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), parent);
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  const RECT whole_parent = {0, 0, 320, 240};
  EXPECT_TRUE(EqualRect(&rect, &whole_parent));

  for (UINT message :
       {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_ACTIVATEAPP}) {
    PostMessageW(child, message, 0, 0);
  }
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child),
                                  MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), SMTO_NORMAL, 5000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  EXPECT_EQ(worker.WaitForExit(800), kStillRunning);

  DestroyWindow(parent);
  EXPECT_EQ(worker.WaitForExit(), 0u);
}

TEST_F(WorkerRunTest, SettingsDialogOwners) {
  HWND foreground = MakeWindow(200, 150);
  HWND other = MakeWindow(200, 150);
  SetForegroundWindow(foreground);
  ASSERT_EQ(GetForegroundWindow(), foreground);
  const struct {
    std::optional<std::wstring> params;  // nothing: no value
    HWND owner;
  } cases[] = {
      {std::nullopt, foreground},
      {L"/c:" + WindowNumber(other),
       other},             // taken as it is, without asking whether it is a window
      {L"read", nullptr},  // what the previous start left
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "Params '" << c.params.value_or(L"<none>") << "'");
    if (c.params) {
      SetParams(*c.params);
    } else {
      DeleteValue(HKEY_CURRENT_USER, L"Params");
    }
    WorkerProcess worker;
    HWND dialog = worker.WaitForWindow(L"#32770");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), c.owner);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(worker.WaitForExit(), 0u);
    EXPECT_EQ(Params(), c.params ? L"read" : L"");
  }
}

// Where wine's Task Scheduler keeps the definition of a registered task: the native
// System32\Tasks. A 32-bit test process sees System32 redirected to SysWOW64, so it
// looks through "Sysnative", the native folder's name for such a process.
std::wstring RegisteredTaskFile() {
  wchar_t windows[MAX_PATH] = L"";
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  BOOL redirected = FALSE;
  IsWow64Process(GetCurrentProcess(), &redirected);
  return std::wstring(windows) + (redirected ? L"\\Sysnative" : L"\\System32") +
         L"\\Tasks\\Orbenlake Tidewell Screensaver." + AccountName();
}

class WorkerMaintenanceTest : public WorkerRunTest {
 protected:
  void TearDown() override {
    DeleteFileW(task_xml_.c_str());
    DeleteFileW(error_log_.c_str());
  }
  const std::wstring task_xml_ = TestProgramDirectory() + L"task.xml";
  const std::wstring error_log_ = TestProgramDirectory() + L"error.log";
};

// The worker starts schtasks.exe and leaves without waiting for it: the task is registered
// or removed once those runs have ended. The first one may also have to start wine's Task
// Scheduler service, which wine gives 30 s; the wait ends well after that.
constexpr DWORD kSchtasksRunsMs = 60000;

TEST_F(WorkerMaintenanceTest, InstallAndUninstallThroughTheTaskScheduler) {
  const std::wstring task_file = RegisteredTaskFile();
  DeleteValue(HKEY_LOCAL_MACHINE, L"Users");
  const WorkerProcess install(L"-install");
  EXPECT_EQ(install.WaitForExit(), 0u);
  EXPECT_TRUE(install.WaitForItsChildren(kSchtasksRunsMs)) << "schtasks.exe never ended";
  EXPECT_TRUE(FileExists(task_file));
  EXPECT_EQ(ReadFileBytes(task_xml_).substr(0, 2), "\xFF\xFE");
  EXPECT_FALSE(FileExists(error_log_));
  EXPECT_TRUE(RawValue(HKEY_LOCAL_MACHINE, L"Users"));

  const WorkerProcess uninstall(L"-uninstall");
  EXPECT_EQ(uninstall.WaitForExit(), 0u);
  EXPECT_TRUE(uninstall.WaitForItsChildren(kSchtasksRunsMs)) << "schtasks.exe never ended";
  EXPECT_FALSE(FileExists(task_file));
  EXPECT_FALSE(RawValue(HKEY_LOCAL_MACHINE, L"Users"));
  EXPECT_TRUE(FileExists(task_xml_));  // left for the next ordinary start
}

// Any other command line is an ordinary start; a preview without a window ends at once.
TEST_F(WorkerMaintenanceTest, OnlyTheExactCommandLinesAreMaintenance) {
  const std::pair<const wchar_t*, const wchar_t*> starts[] = {
      {L"-install ", L"/p"}, {L"-INSTALL", L"/p 0"}, {L"-uninstall x", L"/p:7"}};
  for (const auto& start : starts) {
    SCOPED_TRACE(testing::Message() << "arguments '" << start.first << "'");
    CloseHandle(
        CreateFileW(task_xml_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    SetParams(start.second);
    EXPECT_EQ(WorkerProcess(start.first).WaitForExit(), 0u);
    // The ordinary start: "task.xml" removed and the switches taken.
    EXPECT_FALSE(FileExists(task_xml_));
    EXPECT_EQ(Params(), L"read");
  }
}

}  // namespace
