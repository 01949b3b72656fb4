// The drive list pane of the real Quorlin.exe: rows that follow the drives
// that Wine's mount manager adds and removes, the report of a clicked row,
// the remove button, and the selection across refreshes.
#include "support/quorlin_process.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "drives/drive_report.h"
#include "framework/text_win.h"
#include "res/resource.h"
#include "support/wine_mount.h"

namespace {

// The pane refreshes every 3 s; a change shows within one period plus the
// time a busy machine needs to deliver the tick.
constexpr DWORD kOneTickMs = 3000 + 1500;

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

int RowOf(HWND list, const std::string& root) {
  std::vector<std::string> rows = Rows(list);
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i] == root) return static_cast<int>(i);
  return -1;
}

// Waits until a refresh has added (or removed) the row of `root`.
bool WaitForRow(HWND list, const std::string& root, bool present) {
  return WaitUntil([&] { return (RowOf(list, root) >= 0) == present; }, kOneTickMs);
}

// Posted messages are handled in order: once the list view has taken a posted
// hover time (which means nothing without hover tracking, not set here), every
// click or key posted before it has been handled, notifications included.
void Settle(HWND list) {
  static LPARAM stamp = 400;
  ++stamp;
  ::PostMessageW(list, LVM_SETHOVERTIME, 0, stamp);
  WaitUntil([&] { return ::SendMessageW(list, LVM_GETHOVERTIME, 0, 0) == stamp; }, 5000);
}

void ClickRow(HWND list, int row) {
  RECT rect = ListViewItemRect(list, row);
  ClickAt(list, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  Settle(list);
}

bool RowSelected(HWND list, int row) {
  return (::SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

std::wstring WideTextOf(HWND window) {
  int len = static_cast<int>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
  ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

template <size_t N>
void CopyName(const wchar_t* name, char (&out)[N]) {
  std::snprintf(out, N, "%s", WideToCp932(name).c_str());
}

// The same three queries the program makes for a drive, made here.
DriveReportInput QueryHere(wchar_t letter) {
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  DriveReportInput in;

  SHFILEINFOW info{};
  ::SHGetFileInfoW(
      root, 0, &info, sizeof info,
      SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_ATTRIBUTES | SHGFI_SMALLICON);
  in.iconHandle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info.hIcon));
  in.iconIndex = info.iIcon;
  in.attributes = info.dwAttributes;
  CopyName(info.szDisplayName, in.displayName);
  CopyName(info.szTypeName, in.typeName);
  if (info.hIcon) ::DestroyIcon(info.hIcon);

  ULARGE_INTEGER available{}, total{}, totalFree{};
  in.freeSpaceResult = ::SHGetDiskFreeSpaceExW(root, &available, &total, &totalFree) != FALSE;
  in.freeBytesAvailableToCaller = available.QuadPart;
  in.totalBytes = total.QuadPart;
  in.totalFreeBytes = totalFree.QuadPart;

  wchar_t volumeName[MAX_PATH + 1] = {}, fileSystemName[MAX_PATH + 1] = {};
  DWORD serial = 0, maxComponent = 0, flags = 0;
  in.volumeResult = ::GetVolumeInformationW(root, volumeName, MAX_PATH + 1, &serial, &maxComponent,
                                            &flags, fileSystemName, MAX_PATH + 1) != FALSE;
  CopyName(volumeName, in.volumeName);
  in.volumeSerialNumber = serial;
  in.maximumComponentLength = maxComponent;
  in.fileSystemFlags = flags;
  CopyName(fileSystemName, in.fileSystemName);
  return in;
}

// Lines whose values this process cannot reproduce: the icon handle belongs
// to the other process, the icon index is a slot in that process's own system
// image list under Wine (slots are handed out in query order), and free space
// moves while the tests run.
constexpr const char* kIconHandle = "     HICON:";
constexpr const char* kIconIndex = "     ICONINDEX:";
constexpr const char* kFreeToCaller = "     FreeKBytesAvailableToCaller = ";
constexpr const char* kTotalFree = "     TotalNumberOfFreeKBytes     = ";
const char* const kDriftingLabels[] = {kIconHandle, kIconIndex, kFreeToCaller, kTotalFree};

std::vector<std::string> Lines(const std::string& report) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = report.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(report.substr(start, end - start));
  if (start < report.size()) lines.push_back(report.substr(start) + "<no CR LF>");
  return lines;
}

std::string ValueAfter(const std::string& report, const char* label) {
  for (const std::string& line : Lines(report))
    if (line.rfind(label, 0) == 0) return line.substr(std::strlen(label));
  return "<missing>";
}

std::vector<std::string> MaskedLines(const std::string& report) {
  std::vector<std::string> lines = Lines(report);
  for (std::string& line : lines)
    for (const char* label : kDriftingLabels)
      if (line.rfind(label, 0) == 0) line = std::string(label) + "#";
  return lines;
}

uint64_t GroupedValue(const std::string& text) {
  uint64_t value = 0;
  for (char c : text)
    if (c >= '0' && c <= '9') value = value * 10 + static_cast<uint64_t>(c - '0');
  return value;
}

// The report shown must be the one built from fresh queries of `letter`.
void ExpectReportOf(wchar_t letter, const std::string& shown) {
  std::string expected = BuildDriveReport(QueryHere(letter));
  if (shown == expected) return;
  EXPECT_EQ(MaskedLines(shown), MaskedLines(expected));
  // The drifting values are still of the right kind.
  EXPECT_EQ(ValueAfter(shown, kIconHandle) == "0x00000000",
            ValueAfter(expected, kIconHandle) == "0x00000000");
  EXPECT_EQ(ValueAfter(shown, kIconIndex)[0] == '-', ValueAfter(expected, kIconIndex)[0] == '-');
  for (const char* label : {kFreeToCaller, kTotalFree}) {
    uint64_t a = GroupedValue(ValueAfter(shown, label));
    uint64_t b = GroupedValue(ValueAfter(expected, label));
    EXPECT_LE(a > b ? a - b : b - a, 65536u) << label;  // 64 MiB
  }
}

void PauseForScreenshot() {
  if (const char* ms = std::getenv("QUORLIN_SCREENSHOT_PAUSE_MS"))
    ::Sleep(static_cast<DWORD>(std::atoi(ms)));
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
    ClickRow(list, RowOf(list, Root(late)));
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
  ASSERT_EQ(RowOf(list, Root(late)), -1);

  ScopedWineDrive drive(late, kWineDriveRemovable, kLabel, kSerialHex);
  ASSERT_TRUE(drive.ok());
  DWORD added = ::GetTickCount();
  ASSERT_TRUE(WaitForRow(list, Root(late), true));
  EXPECT_LE(::GetTickCount() - added, kOneTickMs);

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
  int row = RowOf(list, Root(late));
  EXPECT_EQ(ListViewText(list, row, 1), "Removable");
  EXPECT_LT(RowOf(list, "C:\\"), row);
  EXPECT_GT(RowOf(list, "Z:\\"), row);

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
  ClickRow(list, RowOf(list, "C:\\"));
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
  int before = RowOf(list, Root(late));

  ScopedWineDrive earlier(early, kWineDriveFixed);
  ASSERT_TRUE(earlier.ok());
  ASSERT_TRUE(WaitForRow(list, Root(early), true));
  int after = RowOf(list, Root(late));
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

// Run in its own Wine start with LC_ALL=en_US.UTF-8: the program inherits the
// ANSI code page 1252 from this process, and its Japanese report lines must
// still reach the edit as the right characters.
TEST(DriveListCodePage, JapaneseFlagLinesReadCorrectlyUnderCodePage1252) {
  ASSERT_EQ(::GetACP(), 1252u);
  DWORD flags = 0;
  ASSERT_TRUE(::GetVolumeInformationW(L"C:\\", nullptr, 0, nullptr, nullptr, &flags, nullptr, 0));
  ASSERT_TRUE(flags & FILE_CASE_PRESERVED_NAMES) << std::hex << flags;

  QuorlinProcess quorlin;
  ASSERT_TRUE(quorlin.Start());
  ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
  HWND list = quorlin.Control(IDC_DRIVE_LIST);
  HWND report = quorlin.Control(IDC_REPORT_EDIT);
  ASSERT_TRUE(list && report);
  int row = RowOf(list, "C:\\");
  ASSERT_GE(row, 0);
  ClickRow(list, row);

  std::wstring shown = WideTextOf(report);
  std::wstring line = Cp932ToWide(
      "          CASE_IS_PRESERVED:ファイルシステムは、ディスクにファイル名を記録するときに、"
      "大文字と小文字を区別して保存します。\r\n");
  EXPECT_NE(shown.find(line), std::wstring::npos) << WideToCp932(shown);
  ExpectReportOf(L'C', WideToCp932(shown));
}

}  // namespace
