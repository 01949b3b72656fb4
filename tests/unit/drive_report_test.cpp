#include "drives/drive_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& report) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = report.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(report.substr(start, end + 2 - start));
  EXPECT_EQ(start, report.size()) << "text after the last line end";
  return lines;
}

// The flag lines of a report, which alone are indented by ten spaces.
std::vector<std::string> FlagLines(uint32_t flags) {
  DriveReportInput in;
  in.fileSystemFlags = flags;
  std::vector<std::string> out;
  for (const std::string& line : Lines(BuildDriveReport(in)))
    if (line.compare(0, 10, std::string(10, ' ')) == 0) out.push_back(line);
  return out;
}

std::vector<std::string> Labels(uint32_t flags) {
  std::vector<std::string> labels;
  for (const std::string& line : FlagLines(flags))
    labels.push_back(line.substr(10, line.find(':') - 10));
  return labels;
}

TEST(DriveReport, AllQueriesFailed) {
  EXPECT_EQ(BuildDriveReport(DriveReportInput{}),
            "SHGetFileInfo():\r\n"
            "     HICON:0x00000000\r\n"
            "     ICONINDEX:0\r\n"
            "     Attributes:0x00000000\r\n"
            "     DisplaName:\r\n"
            "     TypeName:\r\n"
            "SHGetDiskFreeSpaceEx():ret=FALSE\r\n"
            "     FreeKBytesAvailableToCaller = 0 Kbytes\r\n"
            "     TotalNumberOfKBytes         = 0 KBytes\r\n"
            "     TotalNumberOfFreeKBytes     = 0 KBytes\r\n"
            "GetVolumeInformation():ret=FALSE\r\n"
            "     VolumeName:\r\n"
            "     VolumeSerialNumber:0x00000000\r\n"
            "     FileSystemFlags:0x00000000\r\n"
            "     MaximumComponentLength:0\r\n"
            "     FileSystemName:\r\n");
  EXPECT_EQ(Lines(BuildDriveReport(DriveReportInput{})).size(), 16u);
}

TEST(DriveReport, FilledFields) {
  DriveReportInput in;
  in.iconHandle = 0x1A2B;
  in.iconIndex = -8;
  in.attributes = 0xF0000177;
  std::strcpy(in.displayName, "ローカル ディスク (C:)");
  std::strcpy(in.typeName, "ローカル ディスク");
  in.freeSpaceResult = true;
  in.freeBytesAvailableToCaller = 1023;
  in.totalBytes = 4398046511104ull;  // 4 TiB
  in.totalFreeBytes = 1048576;
  in.volumeResult = true;
  std::strcpy(in.volumeName, "DATA");
  in.volumeSerialNumber = 0xABCDEF;
  in.maximumComponentLength = 255;
  in.fileSystemFlags = 0x100;  // no line of its own
  std::strcpy(in.fileSystemName, "NTFS");
  EXPECT_EQ(BuildDriveReport(in),
            "SHGetFileInfo():\r\n"
            "     HICON:0x00001a2b\r\n"
            "     ICONINDEX:-8\r\n"
            "     Attributes:0xf0000177\r\n"
            "     DisplaName:ローカル ディスク (C:)\r\n"
            "     TypeName:ローカル ディスク\r\n"
            "SHGetDiskFreeSpaceEx():ret=TRUE\r\n"
            "     FreeKBytesAvailableToCaller = 0 Kbytes\r\n"
            "     TotalNumberOfKBytes         = 4,294,967,296 KBytes\r\n"
            "     TotalNumberOfFreeKBytes     = 1,024 KBytes\r\n"
            "GetVolumeInformation():ret=TRUE\r\n"
            "     VolumeName:DATA\r\n"
            "     VolumeSerialNumber:0x00abcdef\r\n"
            "     FileSystemFlags:0x00000100\r\n"
            "     MaximumComponentLength:255\r\n"
            "     FileSystemName:NTFS\r\n");
  in.totalBytes = 1024;
  EXPECT_NE(BuildDriveReport(in).find("TotalNumberOfKBytes         = 1 KBytes"), std::string::npos);
}

TEST(DriveReport, NamesStopAtTheirBuffers) {
  DriveReportInput in;
  std::memset(in.typeName, 'T', sizeof in.typeName);
  in.freeSpaceResult = true;  // the byte right after the type name is not zero
  std::memset(in.fileSystemName, 'F', sizeof in.fileSystemName);
  std::string report = BuildDriveReport(in);
  EXPECT_NE(report.find("TypeName:" + std::string(80, 'T') + "\r\n"), std::string::npos);
  EXPECT_NE(report.find("FileSystemName:" + std::string(260, 'F') + "\r\n"), std::string::npos);
}

TEST(DriveReport, FlagLinesInTableOrder) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Labels(0x3), (V{"CASE_IS_PRESERVED", "CASE_SENSITIVE"}));
  const V all = {"CASE_IS_PRESERVED",          "CASE_SENSITIVE",
                 "UNICODE_STORED_ON_DISK",     "PERSISTENT_ACLS",
                 "FILE_COMPRESSION",           "VOL_IS_COMPRESSED",
                 "FILE_NAMED_STREAMS",         "FILE_SUPPORTS_ENCRYPTION",
                 "FILE_SUPPORTS_OBJECT_IDS",   "FILE_SUPPORTS_REPARSE_POINTS",
                 "FILE_SUPPORTS_SPARSE_FILES", "FILE_VOLUME_QUOTAS"};
  const uint32_t allBits = 0x7C0FF;
  EXPECT_EQ(Labels(allBits), all);
  V eleven = all;
  eleven.erase(eleven.begin() + 5);
  EXPECT_EQ(Labels(allBits & ~0x8000u), eleven);
  EXPECT_TRUE(Labels(0x100).empty());
  EXPECT_TRUE(Labels(0xFFF83F00u).empty());  // every bit outside the table

  // The flag lines stand between the flags value and the component length.
  std::vector<std::string> lines = Lines(BuildDriveReport([] {
    DriveReportInput in;
    in.fileSystemFlags = 0x3;
    return in;
  }()));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[13], "     FileSystemFlags:0x00000003\r\n");
  EXPECT_EQ(lines[16], "     MaximumComponentLength:0\r\n");
}

TEST(DriveReport, FlagLineTextsInCodePage932) {
  const size_t bytes[] = {124, 101, 129, 180, 91, 112, 91, 108, 97, 97, 165, 121};
  std::vector<std::string> lines = FlagLines(0x7C0FF);
  ASSERT_EQ(lines.size(), 12u);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(lines[i].size(), bytes[i]) << lines[i];
  EXPECT_EQ(lines[1],
            "          "
            "CASE_SENSITIVE:"
            "ファイルシステムは、ファイル名の大文字と小文字の区別をサポートしています。\r\n");
  // ファイル, written out as Shift-JIS bytes so that the encoding itself is checked.
  EXPECT_EQ(lines[0].compare(28, 8, "\x83\x74\x83\x40\x83\x43\x83\x8B"), 0);
}

TEST(DriveReport, GroupThousands) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {999999, "999,999"},
      {1234567, "1,234,567"},
      {UINT64_MAX, "18,446,744,073,709,551,615"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(GroupThousands(value), text);
}

}  // namespace
