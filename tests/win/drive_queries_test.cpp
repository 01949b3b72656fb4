#include "drives/drive_queries_win.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "drives/drive_report.h"
#include "framework/text_win.h"

namespace {

// A ULARGE_INTEGER byte count within 64 MiB of another: the free space of C:
// may move while the test runs.
void ExpectNear(uint64_t a, uint64_t b) {
  uint64_t diff = a > b ? a - b : b - a;
  EXPECT_LE(diff, 64ull << 20) << a << " vs " << b;
}

TEST(DriveQueries, AgreeWithThePlatformForC) {
  DriveReportInput in = QueryDriveReportInput('C');

  SHFILEINFOW info{};
  SHGetFileInfoW(
      L"C:\\", 0, &info, sizeof info,
      SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_ATTRIBUTES | SHGFI_SMALLICON);
  DestroyIcon(info.hIcon);
  EXPECT_EQ(in.iconIndex, info.iIcon);
  EXPECT_EQ(in.attributes, info.dwAttributes);
  EXPECT_EQ(in.displayName, WideToCp932(info.szDisplayName));
  EXPECT_EQ(in.typeName, WideToCp932(info.szTypeName));
  EXPECT_NE(in.displayName[0], '\0');

  ULARGE_INTEGER available{}, total{}, totalFree{};
  BOOL freeOk = SHGetDiskFreeSpaceExW(L"C:\\", &available, &total, &totalFree);
  EXPECT_EQ(in.freeSpaceResult, freeOk != FALSE);
  EXPECT_TRUE(in.freeSpaceResult);
  ExpectNear(in.freeBytesAvailableToCaller, available.QuadPart);
  EXPECT_EQ(in.totalBytes, total.QuadPart);
  ExpectNear(in.totalFreeBytes, totalFree.QuadPart);

  wchar_t volumeName[MAX_PATH + 1] = {}, fileSystemName[MAX_PATH + 1] = {};
  DWORD serial = 0, maxComponent = 0, flags = 0;
  BOOL volumeOk = GetVolumeInformationW(L"C:\\", volumeName, MAX_PATH + 1, &serial, &maxComponent,
                                        &flags, fileSystemName, MAX_PATH + 1);
  EXPECT_EQ(in.volumeResult, volumeOk != FALSE);
  EXPECT_TRUE(in.volumeResult);
  EXPECT_EQ(in.volumeName, WideToCp932(volumeName));
  EXPECT_EQ(in.volumeSerialNumber, serial);
  EXPECT_EQ(in.maximumComponentLength, maxComponent);
  EXPECT_EQ(in.fileSystemFlags, flags);
  EXPECT_EQ(in.fileSystemName, WideToCp932(fileSystemName));
}

TEST(DriveQueries, ErrorModeIsRestored) {
  UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
  QueryDriveReportInput('C');
  EXPECT_EQ(SetErrorMode(before), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
}

TEST(DriveQueries, MissingDriveFailsQuietly) {
  // Find a letter the system does not have.
  uint32_t mask = QueryLogicalDrives();
  char letter = 0;
  for (int i = 25; i >= 2 && !letter; --i)
    if (!(mask & (1u << i))) letter = static_cast<char>('A' + i);
  ASSERT_NE(letter, 0);
  EXPECT_EQ(QueryDriveType(letter), static_cast<uint32_t>(DRIVE_NO_ROOT_DIR));
  DriveReportInput in = QueryDriveReportInput(letter);
  EXPECT_FALSE(in.freeSpaceResult);
  EXPECT_FALSE(in.volumeResult);
  EXPECT_EQ(in.totalBytes, 0u);
  EXPECT_STREQ(in.volumeName, "");
  EXPECT_STREQ(in.fileSystemName, "");
}

TEST(DriveQueries, DriveListQueries) {
  uint32_t mask = QueryLogicalDrives();
  EXPECT_EQ(mask, GetLogicalDrives());
  EXPECT_TRUE(mask & (1u << 2));
  EXPECT_EQ(QueryDriveType('C'), static_cast<uint32_t>(DRIVE_FIXED));
}

TEST(DriveQueries, ReportOfCHoldsShiftJisFlagLines) {
  DriveReportInput in = QueryDriveReportInput('C');
  ASSERT_TRUE(in.fileSystemFlags & FILE_CASE_PRESERVED_NAMES) << std::hex << in.fileSystemFlags;
  std::string report = BuildDriveReport(in);
  // "CASE_IS_PRESERVED:ファイルシステムは、" in code page 932 bytes, whatever
  // the running ANSI code page.
  EXPECT_NE(report.find("          CASE_IS_PRESERVED:\x83\x74\x83\x40\x83\x43\x83\x8B\x83\x56"
                        "\x83\x58\x83\x65\x83\x80\x82\xCD\x81\x41"),
            std::string::npos)
      << "ANSI code page " << GetACP();
  EXPECT_NE(report.find("GetVolumeInformation():ret=TRUE\r\n"), std::string::npos);
}

}  // namespace
