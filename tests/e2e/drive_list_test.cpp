// The drive list pane of the real Quorlin.exe: rows that follow the drives
// that Wine's mount manager adds and removes, the report of a clicked row,
// the remove button, and the selection across refreshes.
#include "support/list_rows.h"
#include "support/process.h"
#include "support/remote_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "support/drive_report_check.h"
#include "support/wine_mount.h"

namespace {

constexpr const char* kLabel = "QUORLIN";
constexpr const char* kSerialHex = "c0ffee42";  // hex digits above 9 must read lower case

std::string Root(wchar_t letter) { return std::string(1, static_cast<char>(letter)) + ":\\"; }

// The first free letter after `after`, or 0.
wchar_t FreeLetterAfter(wchar_t after) {
  DWORD used = ::GetLogicalDrives();
  for (wchar_t letter = after + 1; letter <= L'Y'; ++letter)
    if (!(used & (1u << (letter - L'A')))) return letter;
  return 0;
}

std::vector<std::string> Rows(HWND list, int column = 0) {
  std::vector<std::string> rows;
  int count = ListViewCount(list);
  for (int i = 0; i < count; ++i) rows.push_back(ListViewText(list, i, column));
  return rows;
}

// Waits until a refresh has added (or removed) the row of `root`.
bool WaitForRow(HWND list, const std::string& root, bool present) {
  return WaitUntil([&] { return (ListViewRowOf(list, root) >= 0) == present; }, kOneRefreshMs);
}

void Settle(HWND list) {
  EXPECT_NE(WaitForPostedMessages(list, 5000), 0) << "the posted messages were not handled";
}

void ClickRow(HWND list, int row) {
  RECT rect = ListViewItemRect(list, row);
  ClickAt(list, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  Settle(list);
}

bool RowSelected(HWND list, int row) {
  return (::SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

class DriveList : public ::testing::Test {
 protected:
  void SetUp() override {
    // Two free letters after C:, D: and E: in a fresh prefix.
    early = FreeLetterAfter(L'C');
    ASSERT_NE(early, 0);
    late = FreeLetterAfter(early);
    ASSERT_NE(late, 0);
    ASSERT_TRUE(quorlin.Start());
    ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
    list = quorlin.Control(IDC_DRIVE_LIST);
    report = quorlin.Control(IDC_REPORT_EDIT);
    removeButton = quorlin.Control(IDC_REMOVE_BUTTON);
    ASSERT_TRUE(list && report && removeButton);
  }

  // Adds the removable drive at `late`, waits for its row and clicks it.
  void SelectLateDrive(ScopedWineDrive& drive) {
    ASSERT_TRUE(drive.ok());
    ASSERT_TRUE(WaitForRow(list, Root(late), true));
    ClickRow(list, ListViewRowOf(list, Root(late)));
    ASSERT_EQ(ListViewText(list, ListViewSelectionMark(list), 0), Root(late));
    ASSERT_NE(WindowTextOf(report), "");
    ASSERT_TRUE(::IsWindowEnabled(removeButton));
  }

  wchar_t early = 0, late = 0;
  QuorlinProcess quorlin;
  HWND list = nullptr, report = nullptr, removeButton = nullptr;
};

TEST_F(DriveList, NewDriveGetsItsRowAndAClickShowsItsReportAndSetsTheButton) {
  // At start nothing is selected: no report and the button is off.
  EXPECT_LT(ListViewSelectionMark(list), 0);
  EXPECT_EQ(WindowTextOf(report), "");
  EXPECT_FALSE(::IsWindowEnabled(removeButton));
  ASSERT_EQ(ListViewRowOf(list, Root(late)), -1);

  ScopedWineDrive drive(late, kWineDriveRemovable, kLabel, kSerialHex);
  ASSERT_TRUE(drive.ok());
  DWORD added = ::GetTickCount();
  ASSERT_TRUE(WaitForRow(list, Root(late), true));
  EXPECT_LE(::GetTickCount() - added, Scaled(kOneRefreshMs));

  // Every present letter in letter order, each with its type's name.
  static const char* const kTypeNames[] = {"Unknown", "NoRootDir", "Removable", "Fixed",
                                           "Remote",  "CD-ROM",    "RAMDisk"};
  std::vector<std::string> roots, types;
  DWORD mask = ::GetLogicalDrives();
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (!(mask & (1u << (letter - L'A')))) continue;
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    UINT type = ::GetDriveTypeW(root);
    roots.push_back(Root(letter));
    types.push_back(type < 7 ? kTypeNames[type] : "Unknown");
  }
  EXPECT_EQ(Rows(list, 0), roots);
  EXPECT_EQ(Rows(list, 1), types);
  int row = ListViewRowOf(list, Root(late));
  EXPECT_EQ(ListViewText(list, row, 1), "Removable");
  EXPECT_LT(ListViewRowOf(list, "C:\\"), row);
  EXPECT_GT(ListViewRowOf(list, "Z:\\"), row);

  // A click reports the drive from fresh queries and enables the button.
  ClickRow(list, row);
  EXPECT_EQ(ListViewSelectionMark(list), row);
  std::string shown = WindowTextOf(report);
  ExpectReportOf(late, shown);
  EXPECT_EQ(ValueAfter(shown, "     VolumeName:"), kLabel);
  EXPECT_EQ(ValueAfter(shown, "     VolumeSerialNumber:"), std::string("0x") + kSerialHex);
  EXPECT_TRUE(::IsWindowEnabled(removeButton));
  PauseForScreenshot();

  // A fixed drive disables it again.
  ClickRow(list, ListViewRowOf(list, "C:\\"));
  ExpectReportOf(L'C', WindowTextOf(report));
  EXPECT_FALSE(::IsWindowEnabled(removeButton));
}

TEST_F(DriveList, KeysMoveTheMarkOnlyAndAClickOffTheRowsReportsTheMarkedRow) {
  ScopedWineDrive drive(late, kWineDriveRemovable, kLabel, kSerialHex);
  ASSERT_NO_FATAL_FAILURE(SelectLateDrive(drive));
  std::string lateReport = WindowTextOf(report);
  int lastRow = ListViewCount(list) - 1;
  ASSERT_NE(ListViewText(list, lastRow, 1), "Removable");  // Z: under Wine

  // End, not an arrow: a refresh drops the list's focus (only the selection
  // is restored), and an arrow then starts again from the top row.
  ::PostMessageW(list, WM_KEYDOWN, VK_END, 0);
  ::PostMessageW(list, WM_KEYUP, VK_END, 0);
  Settle(list);
  EXPECT_EQ(ListViewSelectionMark(list), lastRow);
  EXPECT_EQ(WindowTextOf(report), lateReport);
  EXPECT_TRUE(::IsWindowEnabled(removeButton));

  // A click below the last row reports the row that holds the mark.
  RECT last = ListViewItemRect(list, lastRow);
  RECT client;
  ::GetClientRect(list, &client);
  int y = last.bottom + (last.bottom - last.top);
  ASSERT_LT(y, client.bottom);
  ClickAt(list, (last.left + last.right) / 2, y);
  Settle(list);
  std::string lastRoot = ListViewText(list, lastRow, 0);
  ASSERT_EQ(lastRoot.size(), 3u);
  ExpectReportOf(static_cast<wchar_t>(lastRoot[0]), WindowTextOf(report));
  EXPECT_FALSE(::IsWindowEnabled(removeButton));
}

TEST_F(DriveList, SelectedDriveThatGoesEmptiesTheReportAndDisablesTheButton) {
  ScopedWineDrive drive(late, kWineDriveRemovable, kLabel, kSerialHex);
  ASSERT_NO_FATAL_FAILURE(SelectLateDrive(drive));

  ASSERT_TRUE(DeleteWineDrive(late));
  ASSERT_TRUE(WaitForRow(list, Root(late), false));
  EXPECT_EQ(WindowTextOf(report), "");
  EXPECT_FALSE(::IsWindowEnabled(removeButton));
  // Nothing is selected any more, and no other drive took its place.
  int mark = ListViewSelectionMark(list);
  EXPECT_LT(mark, 0) << "mark on " << ListViewText(list, mark, 0);
  for (int i = 0; i < ListViewCount(list); ++i) EXPECT_FALSE(RowSelected(list, i)) << i;
}

TEST_F(DriveList, SelectedDriveStaysSelectedWhenALetterBeforeItAppears) {
  ScopedWineDrive drive(late, kWineDriveRemovable, kLabel, kSerialHex);
  ASSERT_NO_FATAL_FAILURE(SelectLateDrive(drive));
  std::string shown = WindowTextOf(report);
  int before = ListViewRowOf(list, Root(late));

  ScopedWineDrive earlier(early, kWineDriveFixed);
  ASSERT_TRUE(earlier.ok());
  ASSERT_TRUE(WaitForRow(list, Root(early), true));
  int after = ListViewRowOf(list, Root(late));
  EXPECT_EQ(after, before + 1);
  EXPECT_EQ(ListViewSelectionMark(list), after);
  EXPECT_TRUE(RowSelected(list, after));
  EXPECT_FALSE(RowSelected(list, before));
  EXPECT_EQ(WindowTextOf(report), shown);
  EXPECT_TRUE(::IsWindowEnabled(removeButton));

  // And when it vanishes again, the mark follows back.
  ASSERT_TRUE(DeleteWineDrive(early));
  ASSERT_TRUE(WaitForRow(list, Root(early), false));
  EXPECT_EQ(ListViewSelectionMark(list), before);
  EXPECT_TRUE(RowSelected(list, before));
  EXPECT_EQ(WindowTextOf(report), shown);
  EXPECT_TRUE(::IsWindowEnabled(removeButton));
}

TEST_F(DriveList, TickWithNoRowSelectedLeavesReportAndButton) {
  ScopedWineDrive drive(late, kWineDriveRemovable, kLabel, kSerialHex);
  ASSERT_NO_FATAL_FAILURE(SelectLateDrive(drive));
  std::string shown = WindowTextOf(report);

  // Take the mark away without a click: no row is selected, yet the last
  // report and the button it set are still there.
  ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, -1);
  ASSERT_LT(ListViewSelectionMark(list), 0);

  // A drive that appears shows that a refresh has run.
  ScopedWineDrive earlier(early, kWineDriveFixed);
  ASSERT_TRUE(earlier.ok());
  ASSERT_TRUE(WaitForRow(list, Root(early), true));
  EXPECT_EQ(WindowTextOf(report), shown);
  EXPECT_TRUE(::IsWindowEnabled(removeButton));
  EXPECT_LT(ListViewSelectionMark(list), 0);
}

}  // namespace
