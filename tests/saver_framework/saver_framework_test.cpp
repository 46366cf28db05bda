// The screen-saver framework's window run in this process with a module of the test's own
// that writes down what reaches it: what the framework answers itself, what it forwards,
// and what closes the full-screen window.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "saver_framework/saver_window.h"
#include "saver_framework/screen_saver_framework.h"
#include "tests/support/test_support.h"

namespace {

struct Message {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  bool operator==(const Message& other) const {
    return message == other.message && wparam == other.wparam && lparam == other.lparam;
  }
};
std::ostream& operator<<(std::ostream& out, const Message& m) {
  return out << "{0x" << std::hex << m.message << ", 0x" << m.wparam << ", 0x" << m.lparam << "}";
}

HWND g_saver_window = nullptr;
std::vector<Message> g_reached_module;  // the messages of interest that reached the module
std::vector<Message> g_reached_parent;
std::function<void(HWND)> g_while_running;

bool OfInterest(UINT message) {
  return message == WM_SYSCOMMAND || message == WM_TIMER || message == WM_CONTEXTMENU ||
         message == WM_HELP;
}

bool g_step_ran = false;

void CALLBACK RunTestStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_step_ran = true;
  g_while_running(g_saver_window);
}

// Runs the full-screen window (no parent) or the preview in `parent` until it is gone;
// `while_running` runs once from the message loop, which must not end before.
int RunSaver(HWND parent, std::function<void(HWND)> while_running) {
  hMainInstance = GetModuleHandleW(nullptr);
  g_reached_module.clear();
  g_reached_parent.clear();
  g_while_running = std::move(while_running);
  g_step_ran = false;
  const UINT_PTR step = SetTimer(nullptr, 0, 100, RunTestStep);
  const int result = RunSaverWindow(parent);
  KillTimer(nullptr, step);
  EXPECT_TRUE(g_step_ran) << "the window closed before the test's step";
  return result;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (OfInterest(message)) {
    g_reached_parent.push_back({message, wparam, lparam});
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND MakeParent() {
  HWND parent = MakeTestWindow(320, 240);
  SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ParentProc));
  return parent;
}

bool CloseIsQueued(HWND window) {
  MSG queued;
  return PeekMessageW(&queued, window, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
}

TEST(SaverFramework, FullScreenRefusesSwitchingAndSavingCommandsAndHandsTimersOn) {
  const struct {
    Message message;
    bool reaches_module;
  } cases[] = {
      {{WM_SYSCOMMAND, SC_SCREENSAVE, 0}, false},
      {{WM_SYSCOMMAND, SC_NEXTWINDOW, 0}, false},
      {{WM_SYSCOMMAND, SC_PREVWINDOW, 0}, false},
      {{WM_TIMER, 1, 0}, true},
      {{WM_TIMER, 77, 0}, true},
      {{WM_CONTEXTMENU, 0, MAKELPARAM(5, 6)}, true},
      {{WM_SYSCOMMAND, SC_MONITORPOWER, 2}, true},  // closes too, so it comes last
  };
  EXPECT_EQ(
      RunSaver(nullptr,
               [&](HWND window) {
                 for (const auto& c : cases) {
                   SCOPED_TRACE(testing::Message() << c.message);
                   g_reached_module.clear();
                   const LRESULT answer =
                       SendMessageW(window, c.message.message, c.message.wparam, c.message.lparam);
                   EXPECT_EQ(g_reached_module, c.reaches_module ? std::vector<Message>{c.message}
                                                                : std::vector<Message>{});
                   if (!c.reaches_module) EXPECT_EQ(answer, 0);
                 }
                 EXPECT_TRUE(CloseIsQueued(window));
               }),
      0);
}

TEST(SaverFramework, PreviewPostsContextMenuRequestsToItsParent) {
  HWND parent = MakeParent();
  ASSERT_NE(parent, nullptr);
  const Message request = {WM_CONTEXTMENU, 0, MAKELPARAM(12, 34)};
  EXPECT_EQ(RunSaver(parent,
                     [&](HWND preview) {
                       EXPECT_EQ(SendMessageW(preview, request.message,
                                              reinterpret_cast<WPARAM>(preview), request.lparam),
                                 1);
                       EXPECT_TRUE(g_reached_module.empty());
                       PostMessageW(parent, WM_CLOSE, 0, 0);  // after the posted request
                     }),
            0);
  const Message forwarded = {request.message, reinterpret_cast<WPARAM>(parent), request.lparam};
  EXPECT_EQ(g_reached_parent, std::vector<Message>{forwarded});
}

TEST(SaverFramework, FullScreenClosesOnKeysButtonsDeactivationAndACriticalResume) {
  struct Case {
    Message message;
    bool closes;
  };
  // A window closes once: each run ends with the message that closes it.
  const std::vector<Case> runs[] = {
      {{{WM_POWER, PWR_SUSPENDRESUME, 0}, false},
       {{WM_POWER, PWR_SUSPENDREQUEST, 0}, false},
       {{WM_LBUTTONUP, 0, MAKELPARAM(3, 3)}, false},
       {{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3)}, true}},
      {{{WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(3, 3)}, true}},
      {{{WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3)}, true}},
      {{{WM_KEYDOWN, 'A', 0x001E0001}, true}},
      {{{WM_SYSKEYDOWN, VK_MENU, 0x20380001}, true}},
      {{{WM_ACTIVATEAPP, TRUE, 0}, false}, {{WM_ACTIVATEAPP, FALSE, 0}, true}},
      {{{WM_POWER, PWR_CRITICALRESUME, 0}, true}},
  };
  for (const std::vector<Case>& run : runs) {
    EXPECT_EQ(RunSaver(nullptr,
                       [&](HWND window) {
                         for (const Case& c : run) {
                           SCOPED_TRACE(testing::Message() << c.message);
                           SendMessageW(window, c.message.message, c.message.wparam,
                                        c.message.lparam);
                           EXPECT_EQ(CloseIsQueued(window), c.closes);
                         }
                         PostMessageW(window, WM_CLOSE, 0, 0);
                       }),
              0);
  }
}

}  // namespace

// The module's side of the framework.
LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CREATE) g_saver_window = window;
  if (OfInterest(message)) g_reached_module.push_back({message, wparam, lparam});
  return DefScreenSaverProc(window, message, wparam, lparam);
}

BOOL WINAPI RegisterDialogClasses(HINSTANCE) { return TRUE; }

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
