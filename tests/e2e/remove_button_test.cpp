// The remove button of the real Quorlin.exe under Wine, with a removable
// drive added through Wine's mount manager. Wine lists no disk device
// interfaces, so the eject ends before its first request: it must write
// nothing, keep the window responsive and leave the pane as it was.
#include <gtest/gtest.h>

#include <memory>

#include "res/resource.h"
#include "support/console.h"
#include "support/process.h"
#include "support/remote_window.h"
#include "support/wine_mount.h"

namespace {

class RemoveButton : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t letter = FreeDriveLetter();
    ASSERT_NE(letter, 0);
    drive = std::make_unique<ScopedWineDrive>(letter, kWineDriveRemovable);
    ASSERT_TRUE(drive->ok());
    rootPath = {static_cast<char>(letter), ':', '\\'};

    ASSERT_TRUE(quorlin.Start(L"-D583", DETACHED_PROCESS));
    ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
    list = quorlin.Control(IDC_DRIVE_LIST);
    log = quorlin.Control(IDC_LOG_LIST);
    report = quorlin.Control(IDC_REPORT_EDIT);
    button = quorlin.Control(IDC_REMOVE_BUTTON);
    ASSERT_TRUE(list && log && report && button);
    pane = ::GetParent(button);

    // Without the banner the console is not being read, and every check
    // for missing lines below would pass for nothing.
    ASSERT_TRUE(WaitUntil([&] { return ConsoleLines(quorlin.Id()).size() >= 2; }));
    ASSERT_EQ(ConsoleLines(quorlin.Id()), Banner());
  }

  static std::vector<std::string> Banner() {
    return {kDebugBannerLine, "DEBUG_MODE ON"};
  }

  // Posts a device-change message behind whatever is already queued; once the
  // log shows it, everything posted before has been handled, and its trace
  // lines mark the end of the console output that came before.
  void PostMarker() { ::PostMessageW(quorlin.MainWindow(), WM_DEVICECHANGE, 0x0007, 0); }
  // Every poll is a message that the window's thread must answer within
  // 500 ms, so a press that holds the thread shows as `stalled`.
  bool WaitForMarker() {
    return WaitUntil(
        [&] {
          DWORD_PTR count = 0;
          if (!::SendMessageTimeoutW(log, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 500, &count))
            stalled = true;
          return count == 1;
        },
        5000);
  }
  static std::vector<std::string> BannerAndMarker() {
    std::vector<std::string> lines = Banner();
    lines.push_back("WM_DEVICECHANGE wParam=0x00000007, lParam=0x00000000");
    lines.push_back("[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました");
    return lines;
  }

  std::unique_ptr<ScopedWineDrive> drive;
  std::string rootPath;
  QuorlinProcess quorlin;
  HWND list = nullptr;
  HWND log = nullptr;
  HWND report = nullptr;
  HWND button = nullptr;
  HWND pane = nullptr;
  bool stalled = false;
};

TEST_F(RemoveButton, PressOnARemovableDriveWithoutDeviceWritesNothingAndChangesNothing) {
  int row = ListViewRowOf(list, rootPath);
  ASSERT_GE(row, 0) << rootPath;
  EXPECT_EQ(ListViewText(list, row, 1), "Removable");
  EXPECT_FALSE(::IsWindowEnabled(button));

  RECT rect = ListViewItemRect(list, row);
  ClickAt(list, rect.left + 20, (rect.top + rect.bottom) / 2);
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(button) != FALSE; }, 5000));
  const std::string reportBefore = WindowTextOf(report);
  ASSERT_NE(reportBefore.find("SHGetFileInfo():"), std::string::npos) << reportBefore;
  const int rowsBefore = ListViewCount(list);

  // A user's click: down and up at the button's centre, then the marker.
  RECT client;
  ::GetClientRect(button, &client);
  DWORD pressed = ::GetTickCount();
  ClickAt(button, client.right / 2, client.bottom / 2);
  PostMarker();
  ASSERT_TRUE(WaitForMarker());
  DWORD handled = ::GetTickCount() - pressed;
  // Three refused requests would hold the thread for 1500 ms of pauses.
  EXPECT_FALSE(stalled);
  EXPECT_LT(handled, 1000u);
  EXPECT_TRUE(Responds(quorlin.MainWindow(), 500));

  // The button took the whole click: it has the focus and is up again, so
  // its click notification went out before the marker was handled.
  LRESULT state = ::SendMessageW(button, BM_GETSTATE, 0, 0);
  EXPECT_TRUE(state & BST_FOCUS);
  EXPECT_FALSE(state & BST_PUSHED);

  // No "Success", "failed", "Result=0x" or any other line before the marker.
  EXPECT_EQ(ConsoleLines(quorlin.Id()), BannerAndMarker());

  // After the next refresh the drive is still listed and selected, and the
  // report and the button are as the row click left them.
  ASSERT_TRUE(WaitForListRefresh(list, kOneRefreshMs));
  EXPECT_TRUE(Responds(quorlin.MainWindow(), 500));
  EXPECT_EQ(ListViewCount(list), rowsBefore);
  row = ListViewRowOf(list, rootPath);
  ASSERT_GE(row, 0);
  EXPECT_EQ(ListViewText(list, row, 1), "Removable");
  EXPECT_EQ(ListViewSelectionMark(list), row);
  EXPECT_EQ(WindowTextOf(report), reportBefore);
  EXPECT_TRUE(::IsWindowEnabled(button));
  EXPECT_EQ(ConsoleLines(quorlin.Id()), BannerAndMarker());
}

TEST_F(RemoveButton, PressWithNoRowSelectedDoesNothing) {
  ASSERT_LT(ListViewSelectionMark(list), 0);
  EXPECT_FALSE(::IsWindowEnabled(button));

  // The button is disabled, so no user can press it: the handler is reached
  // through the pane's command message, and through BM_CLICK.
  DWORD start = ::GetTickCount();
  DWORD_PTR reply = 0;
  EXPECT_NE(::SendMessageTimeoutW(pane, WM_COMMAND, MAKEWPARAM(IDC_REMOVE_BUTTON, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(button), SMTO_NORMAL, 1000, &reply),
            0);
  EXPECT_NE(::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &reply), 0);
  EXPECT_LT(::GetTickCount() - start, 1000u);
  EXPECT_TRUE(Responds(quorlin.MainWindow(), 500));

  PostMarker();
  ASSERT_TRUE(WaitForMarker());
  EXPECT_FALSE(stalled);
  EXPECT_EQ(ConsoleLines(quorlin.Id()), BannerAndMarker());
  EXPECT_LT(ListViewSelectionMark(list), 0);
  EXPECT_EQ(WindowTextOf(report), "");
  EXPECT_FALSE(::IsWindowEnabled(button));
}

}  // namespace
