// twsaver.scr started as its own process, the way the system starts a screen saver.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/saver/registry_sandbox.h"
#include "tests/support/test_support.h"

namespace {

constexpr wchar_t kSaverClass[] = L"WindowsScreenSaverClass";
constexpr wchar_t kDialogCaption[] = L"Orbenlake Tidewell Screensaver Setup";
constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 15000;

// A defragmentation end time was stored (absent or 0 means none).
bool LastDefragStored() {
  const std::wstring text = SettingsText(L"LastDefrag");
  return !text.empty() && text != L"0";
}

void Idle(DWORD ms) {
  PumpMessagesUntil([] { return false; }, ms);
}

// One started saver; a process still running when the test ends is ended by force.
class SaverProcess {
 public:
  explicit SaverProcess(const std::wstring& arguments) {
    std::wstring command = L"\"" + TestProgramDirectory() + L"twsaver.scr\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != FALSE;
  }
  ~SaverProcess() {
    if (!started_) return;
    if (Running()) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  bool started() const { return started_; }
  bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

  // The exit code, or STILL_ACTIVE when it did not end in time. Serves this thread's
  // windows meanwhile: the saver's preview or dialog may send messages to them.
  DWORD WaitForExit() const {
    PumpMessagesUntil([this] { return !Running(); }, kExitTimeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

  HWND WaitForWindow(const wchar_t* window_class, const wchar_t* title) const {
    HWND window = nullptr;
    PumpMessagesUntil(
        [&] {
          window = FindProcessWindow(info_.dwProcessId, window_class, title);
          return window != nullptr || !Running();
        },
        kStartTimeoutMs);
    return window;
  }

 private:
  PROCESS_INFORMATION info_ = {};
  bool started_ = false;
};

// Whether the screen inside `rect` shows anything but black.
bool ScreenShowsSomething(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
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

std::wstring Decimal(HWND window) { return std::to_wstring(reinterpret_cast<uintptr_t>(window)); }

class SaverProcessTest : public testing::Test {
 protected:
  // The saver inherits the environment: the simulated engine then runs its work quickly.
  void SetUp() override {
    SetEnvironmentVariableW(L"TW_SIM_SPEED", L"fast");
    DeleteAllSettingsValues();
  }
  // The saver writes the settings of the shared test prefix.
  void TearDown() override {
    SetEnvironmentVariableW(L"TW_SIM_SPEED", nullptr);
    DeleteAllSettingsValues();
  }
};

TEST_F(SaverProcessTest, FullScreenPaintsAndClosesOnlyWhenTheMouseMovesFarEnough) {
  SetCursorPos(200, 200);
  SaverProcess saver(L"/s");
  ASSERT_TRUE(saver.started());
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

  // A second full-screen start leaves at once.
  SaverProcess second(L"-S");
  EXPECT_EQ(second.WaitForExit(), 0u);
  // Text changes are refused, so a later start still finds the running saver by name.
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"renamed"), SMTO_BLOCK,
                      5000, nullptr);
  wchar_t title[32] = {};
  GetWindowTextW(window, title, 32);
  EXPECT_STREQ(title, L"Screen Saver");

  // Neither a key release, a wheel turn nor a move of 4 pixels in total closes it.
  PostMessageW(window, WM_KEYUP, 'A', 0xC01E0001);
  PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(200, 200));
  SetCursorPos(202, 202);
  Idle(800);
  EXPECT_TRUE(saver.Running());

  SetCursorPos(210, 206);
  EXPECT_EQ(saver.WaitForExit(), 0u);
}

TEST_F(SaverProcessTest, FullScreenClosesOnKeysButtonsDeactivationAndMonitorPower) {
  const struct {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  } closers[] = {
      {WM_SYSKEYDOWN, VK_MENU, 0x20380001},
      {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10)},
      // Losing activation closes it; under wine this must not re-enter the destruction.
      {WM_ACTIVATEAPP, FALSE, 0},
      {WM_SYSCOMMAND, SC_MONITORPOWER, 2},
  };
  for (const auto& closer : closers) {
    SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << closer.message);
    SaverProcess saver(L"/s");
    HWND window = saver.WaitForWindow(kSaverClass, L"Screen Saver");
    ASSERT_NE(window, nullptr);
    PostMessageW(window, closer.message, closer.wparam, closer.lparam);
    EXPECT_EQ(saver.WaitForExit(), 0u);
  }
}

TEST_F(SaverProcessTest, FullScreenRunsACycleWithTheSimulatedEngine) {
  const std::wstring engine = ProgramSubdirectory() + L"\\Tidewell.dll";
  if (GetFileAttributesW(engine.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "the simulated engine is not built";
  }
  WriteSettingsText(L"SelectedDrives", L"C");
  SaverProcess saver(L"/s");
  HWND window = saver.WaitForWindow(kSaverClass, L"Screen Saver");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(PumpMessagesUntil(LastDefragStored, 30000)) << "no cycle ended";
  PostMessageW(window, WM_KEYDOWN, 'A', 0x001E0001);
  EXPECT_EQ(saver.WaitForExit(), 0u);
}

TEST_F(SaverProcessTest, PreviewLivesInItsParentUntilTheParentGoes) {
  WriteSettingsText(L"SelectedDrives", L"C");
  HWND parent = MakeTestWindow(320, 240);
  SaverProcess saver(L"/p " + Decimal(parent));
  HWND preview = nullptr;
  ASSERT_TRUE(PumpMessagesUntil(
      [&] {
        preview = FindWindowExW(parent, nullptr, kSaverClass, L"Preview");
        return preview != nullptr || !saver.Running();
      },
      kStartTimeoutMs));
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

  DestroyWindow(parent);
  EXPECT_EQ(saver.WaitForExit(), 0u);
}

TEST_F(SaverProcessTest, UnknownSwitchOrPreviewWithoutWindowShowsNothing) {
  HWND gone = MakeTestWindow(10, 10);
  const std::wstring dead_handle = Decimal(gone);
  DestroyWindow(gone);
  const std::wstring cases[] = {L"/p 0", L"/p", L"/l " + dead_handle, L"/x", L"/a"};
  for (const std::wstring& arguments : cases) {
    SCOPED_TRACE(testing::Message() << "arguments: " << arguments);
    SaverProcess saver(arguments);
    ASSERT_TRUE(saver.started());
    EXPECT_EQ(saver.WaitForExit(), static_cast<DWORD>(-1));
  }
}

TEST_F(SaverProcessTest, ConfigureSwitchOpensTheDialogOverItsOwnerAndCancelStoresNoChoice) {
  HWND owner = MakeTestWindow(100, 100);
  SaverProcess saver(L"/c:" + Decimal(owner));
  HWND dialog = saver.WaitForWindow(L"#32770", kDialogCaption);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_EQ(saver.WaitForExit(), 0u);
  EXPECT_FALSE(ReadSettingsValue(L"IdleAnimation").present());
  DestroyWindow(owner);
}

TEST_F(SaverProcessTest, NoSwitchOpensTheDialogWithoutOwnerAndOkStores) {
  SaverProcess saver(L"");
  HWND dialog = saver.WaitForWindow(L"#32770", kDialogCaption);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(saver.WaitForExit(), 1u);
  EXPECT_EQ(SettingsText(L"IdleAnimation"), L"1");
}

}  // namespace
