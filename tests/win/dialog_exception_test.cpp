// No exception leaves the dialog procedure: a handler that throws, out of
// memory or otherwise, leaves its message to the default processing, and the
// window keeps running and handling later messages. Runs over the program's
// own dialog templates, linked into the test.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

#include "framework/dialog_win.h"
#include "res/resource.h"

namespace {

constexpr WORD kThrowBadAlloc = 40001;
constexpr WORD kThrowOther = 40002;
constexpr WORD kHandled = 40003;
constexpr UINT_PTR kTickTimer = 7;
constexpr int kFailingTicks = 5;

// A real allocation failure: more than the address space can give.
[[noreturn]] void RunOutOfMemory() {
  std::vector<char> hog;
  hog.reserve(hog.max_size());
  throw std::logic_error("the allocation did not fail");
}

class ThrowingDialog : public CDialog {
 public:
  explicit ThrowingDialog(bool throwOnInit = false)
      : CDialog(IDD_ABOUTBOX), m_throwOnInit(throwOnInit) {}

  int initCalls = 0;
  int commands = 0;
  int sysCommands = 0;
  int ticks = 0;
  bool tickOnModal = false;

 protected:
  BOOL OnInitDialog() override {
    ++initCalls;
    CDialog::OnInitDialog();
    if (tickOnModal) SetTimer(kTickTimer, 10);
    if (m_throwOnInit) RunOutOfMemory();
    return TRUE;
  }
  bool OnCommand(WORD id, WORD) override {
    ++commands;
    if (id == kThrowBadAlloc) RunOutOfMemory();
    if (id == kThrowOther) throw 42;
    return id == kHandled;
  }
  bool OnSysCommand(UINT, LPARAM) override {
    ++sysCommands;
    throw std::runtime_error("system command");
  }
  void OnTimer(UINT_PTR id) override {
    if (id != kTickTimer) return;
    if (++ticks <= kFailingTicks) RunOutOfMemory();
    ::KillTimer(m_hWnd, kTickTimer);
    OnCancel();
  }

 private:
  bool m_throwOnInit;
};

class DialogExceptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The About template holds a link control, from common controls 6.
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
  }
};

TEST_F(DialogExceptions, AllocationFailureIsARealBadAlloc) {
  EXPECT_THROW(RunOutOfMemory(), std::bad_alloc);
}

TEST_F(DialogExceptions, ThrowingHandlersLeaveTheWindowRunning) {
  ThrowingDialog dialog;
  ASSERT_TRUE(dialog.Create(nullptr));
  HWND hwnd = dialog.GetSafeHwnd();
  ASSERT_NE(hwnd, nullptr);

  ::SendMessageW(hwnd, WM_COMMAND, kThrowBadAlloc, 0);
  ::SendMessageW(hwnd, WM_COMMAND, kThrowOther, 0);
  EXPECT_EQ(dialog.commands, 2);
  EXPECT_TRUE(::IsWindow(hwnd));

  // Later messages still reach the handlers.
  ::SendMessageW(hwnd, WM_COMMAND, kHandled, 0);
  EXPECT_EQ(dialog.commands, 3);
  EXPECT_EQ(dialog.GetSafeHwnd(), hwnd);

  // A throwing system-command handler leaves the command to the default
  // processing: the window is minimised as if nothing had been overridden.
  ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(dialog.sysCommands, 1);
  EXPECT_TRUE(::IsIconic(hwnd));
  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(dialog.sysCommands, 2);
  EXPECT_FALSE(::IsIconic(hwnd));

  EXPECT_TRUE(dialog.DestroyWindow());
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST_F(DialogExceptions, InitialisationThatThrowsStillGivesAWorkingWindow) {
  ThrowingDialog dialog(true);
  ASSERT_TRUE(dialog.Create(nullptr));
  EXPECT_EQ(dialog.initCalls, 1);
  ASSERT_NE(dialog.GetSafeHwnd(), nullptr);
  ::SendMessageW(dialog.GetSafeHwnd(), WM_COMMAND, kHandled, 0);
  EXPECT_EQ(dialog.commands, 1);
  EXPECT_TRUE(dialog.DestroyWindow());
}

TEST_F(DialogExceptions, ModalLoopOutlivesFailingTimerTicks) {
  // Each of the first ticks runs out of memory; the next one closes the
  // dialog. DoModal returning proves that the modal loop kept dispatching.
  ThrowingDialog dialog;
  dialog.tickOnModal = true;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.ticks, kFailingTicks + 1);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

}  // namespace
