// Device-change broadcasts sent from another process, as the log pane of the
// real Quorlin.exe shows them.
#include "support/broadcast.h"
#include "support/process.h"
#include "support/remote_window.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "res/resource.h"

namespace {

class DeviceChangeLog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(quorlin.Start());
    ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
    log = quorlin.Control(IDC_LOG_LIST);
    ASSERT_NE(log, nullptr);
  }
  QuorlinProcess quorlin;
  HWND log = nullptr;
};

TEST_F(DeviceChangeLog, BroadcastsBecomeExactLines) {
  BroadcastDeviceChange(DBT_DEVICEARRIVAL, VolumeRecord(0x10));
  BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, RecordWithName(DBT_DEVTYP_PORT, 12, "COM3"));
  BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
  BroadcastDeviceChange(DBT_DEVNODES_CHANGED);

  std::vector<std::string> lines = ListBoxLines(log);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0],
            "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=2）"
            "DEVTYP_VOLUME「E:」");
  EXPECT_EQ(lines[1],
            "[wParam:0x8004]DEVICEREMOVECOMPLETE：デバイスが停止されました（DeviceType=3）"
            "DEVTYP_PORT（PORT:COM3）");
  // Two identical broadcasts give two identical lines.
  EXPECT_EQ(lines[2], "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました");
  EXPECT_EQ(lines[3], lines[2]);
}

TEST_F(DeviceChangeLog, KeepsTheNewest200LinesWithTheNewestInView) {
  // Minimised, the list box does not redraw on every line, which keeps the
  // test quick; the bound and the scrolling are the same.
  ::ShowWindow(quorlin.MainWindow(), SW_MINIMIZE);
  char name[16];
  for (int i = 0; i < 205; ++i) {
    std::snprintf(name, sizeof(name), "P%03d", i);
    BroadcastDeviceChange(DBT_DEVICEARRIVAL, RecordWithName(DBT_DEVTYP_PORT, 12, name));
  }
  ::ShowWindow(quorlin.MainWindow(), SW_RESTORE);

  std::vector<std::string> lines = ListBoxLines(log);
  ASSERT_EQ(lines.size(), 200u);
  const std::string prefix =
      "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=3）DEVTYP_PORT";
  EXPECT_EQ(lines.front(), prefix + "（PORT:P005）");
  EXPECT_EQ(lines.back(), prefix + "（PORT:P204）");

  RECT client;
  ::GetClientRect(log, &client);
  int itemHeight = static_cast<int>(::SendMessageW(log, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_GT(itemHeight, 0);
  int visible = (client.bottom - client.top) / itemHeight;
  EXPECT_GE(ListBoxTopIndex(log) + visible, 200);  // the last line is in view
}

}  // namespace
