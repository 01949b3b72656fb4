// What the drive list pane leaves to be painted after a refresh, in-process
// over the real pane and the program's own templates. A tick that changes
// nothing the list shows must not repaint it (that costs most of a tick on
// an X display); a tick that changes a row, the selection or the focus must
// repaint it all; a part that was waiting to be painted before the tick
// must still be painted after it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "framework/controls_win.h"
#include "res/resource.h"
#include "support/pane_host.h"
#include "support/remote_window.h"
#include "support/wine_mount.h"
#include "ui/control_dlg_win.h"

namespace {

// The rectangle of the list that waits to be painted; empty when none.
RECT Pending(HWND list) {
  RECT rect{};
  if (!::GetUpdateRect(list, &rect, FALSE)) return RECT{};
  return rect;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

class DriveListPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    host = CreatePaneHost(L"pane host");
    ASSERT_NE(host, nullptr);
    CWnd parent(host);
    ASSERT_TRUE(pane.Create(&parent));
    pane.ShowWindow(SW_SHOW);
    list = ::GetDlgItem(pane.GetSafeHwnd(), IDC_DRIVE_LIST);
    ASSERT_NE(list, nullptr);
    PaintAll(host);
    ASSERT_TRUE(IsEmpty(Pending(list)));
  }
  void TearDown() override {
    pane.DestroyWindow();
    if (host) ::DestroyWindow(host);
  }
  // One refresh tick, as the pane's timer delivers it.
  void Tick() { ::SendMessageW(pane.GetSafeHwnd(), WM_TIMER, IDT_DRIVE_REFRESH, 0); }
  RECT Client() const {
    RECT rect;
    ::GetClientRect(list, &rect);
    return rect;
  }

  HWND host = nullptr;
  CControlDlg pane;
  HWND list = nullptr;
};

TEST_F(DriveListPaint, AnUnchangedTickLeavesNothingToPaint) {
  HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  for (int tick = 0; tick < 2; ++tick) {
    Tick();
    EXPECT_TRUE(IsEmpty(Pending(list)));
    EXPECT_TRUE(IsEmpty(Pending(header)));
    EXPECT_TRUE(IsEmpty(Pending(pane.GetSafeHwnd())));
    // Drawing was held back during the rebuild only: the list is on screen.
    EXPECT_TRUE(::IsWindowVisible(list));
  }
}

TEST_F(DriveListPaint, AHiddenPaneStaysHiddenAndItsListKeepsItsStyle) {
  pane.ShowWindow(SW_HIDE);
  Tick();
  EXPECT_FALSE(::IsWindowVisible(pane.GetSafeHwnd()));
  EXPECT_TRUE(::GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE);
  pane.ShowWindow(SW_SHOW);
  EXPECT_TRUE(::IsWindowVisible(list));
}

TEST_F(DriveListPaint, WhatWaitedToBePaintedBeforeTheTickStillWaits) {
  RECT part{4, 30, 20, 40};
  ::InvalidateRect(list, &part, TRUE);
  Tick();
  RECT pending = Pending(list);
  EXPECT_EQ(pending.left, part.left);
  EXPECT_EQ(pending.top, part.top);
  EXPECT_EQ(pending.right, part.right);
  EXPECT_EQ(pending.bottom, part.bottom);
}

TEST_F(DriveListPaint, ATickThatAddsOrRemovesARowRepaintsTheList) {
  const RECT all = Client();
  int before = ListViewCount(list);
  {
    ScopedWineDrive drive(FreeDriveLetter());
    ASSERT_TRUE(drive.ok());
    Tick();
    ASSERT_EQ(ListViewCount(list), before + 1);
    RECT pending = Pending(list);
    EXPECT_EQ(pending.right - pending.left, all.right - all.left);
    EXPECT_EQ(pending.bottom - pending.top, all.bottom - all.top);
    PaintAll(host);
  }
  Tick();
  ASSERT_EQ(ListViewCount(list), before);
  EXPECT_FALSE(IsEmpty(Pending(list)));
  PaintAll(host);
  Tick();
  EXPECT_TRUE(IsEmpty(Pending(list)));
}

TEST_F(DriveListPaint, ATickThatChangesTheSelectionOrFocusRepaintsTheList) {
  ASSERT_GT(ListViewCount(list), 0);
  // A row selected and focused, as a click leaves it. The rebuild selects
  // it again but leaves the focus alone, so the first tick changes how it
  // is drawn and the next does not.
  LVITEMW state{};
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, 0);
  PaintAll(host);
  Tick();
  EXPECT_FALSE(IsEmpty(Pending(list)));
  EXPECT_EQ(::SendMessageW(list, LVM_GETITEMSTATE, 0, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED);
  PaintAll(host);
  Tick();
  EXPECT_TRUE(IsEmpty(Pending(list)));

  // The selection cleared (a click on no row keeps the mark): the tick
  // selects the row again, which shows.
  state.state = 0;
  state.stateMask = LVIS_SELECTED;
  ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  PaintAll(host);
  Tick();
  EXPECT_FALSE(IsEmpty(Pending(list)));
}

// The pixels of `window`, frame and scroll bars included, as on the screen.
std::vector<DWORD> WindowPixels(HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = ::GetWindowDC(window);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  std::vector<DWORD> pixels(static_cast<const DWORD*>(bits),
                            static_cast<const DWORD*>(bits) + width * height);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(window, screen);
  return pixels;
}

// The pane lays its list out off screen before it first shows; its first
// frame must be the one the list draws without that.
TEST_F(DriveListPaint, TheListLaidOutOffScreenFirstDrawsTheSameFirstFrame) {
  std::vector<DWORD> frames[2];
  for (bool offScreen : {false, true}) {
    HWND like = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_BORDER | LVS_REPORT, 8, 8,
                                  190, 80, host, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(like, nullptr);
    CListCtrl control;
    control.Attach(like);
    control.InsertColumn(0, "Drive", LVCFMT_CENTER, 50);
    control.InsertColumn(1, "Type", LVCFMT_LEFT, 150);  // wider than the list: a scroll bar
    control.InsertItem(0, "C:\\");
    control.SetItemText(0, 1, "Fixed");
    if (offScreen) control.LayOutOffScreen();
    ::ShowWindow(like, SW_SHOW);
    PaintAll(host);
    frames[offScreen] = WindowPixels(like);
    ::DestroyWindow(like);
    PaintAll(host);
  }
  EXPECT_EQ(frames[0], frames[1]);
}

}  // namespace
