#include "support/drive_report_check.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "drives/drive_report.h"
#include "framework/text_win.h"

namespace {

// The first flag line of the report; C: under Wine preserves case, so its
// report always has it.
const char kCasePreservedFlagLine[] =
    "          CASE_IS_PRESERVED:ファイルシステムは、ディスクにファイル名を記録するときに、"
    "大文字と小文字を区別して保存します。\r\n";

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
const char* const kDriftingLabels[] = {kIconHandle, kIconIndex, kFreeToCaller, kTotalFree};

}  // namespace

std::string ValueAfter(const std::string& report, const char* label) {
  for (const std::string& line : Lines(report))
    if (line.rfind(label, 0) == 0) return line.substr(std::strlen(label));
  return "<missing>";
}

namespace {

std::vector<std::string> MaskedLines(const std::string& report) {
  std::vector<std::string> lines = Lines(report);
  for (std::string& line : lines)
    for (const char* label : kDriftingLabels)
      if (line.rfind(label, 0) == 0) line = std::string(label) + "#";
  return lines;
}

}  // namespace

uint64_t GroupedValue(const std::string& text) {
  uint64_t value = 0;
  for (char c : text)
    if (c >= '0' && c <= '9') value = value * 10 + static_cast<uint64_t>(c - '0');
  return value;
}

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
    EXPECT_LE(a > b ? a - b : b - a, kFreeSpaceDriftKb) << label;
  }
}

void ExpectReportOfCReadsRight(const std::wstring& shown) {
  DWORD flags = 0;
  ASSERT_TRUE(::GetVolumeInformationW(L"C:\\", nullptr, 0, nullptr, nullptr, &flags, nullptr, 0));
  ASSERT_TRUE(flags & FILE_CASE_PRESERVED_NAMES) << std::hex << flags;
  const std::string text = WideToCp932(shown);
  EXPECT_EQ(text.rfind("SHGetFileInfo():\r\n", 0), 0u);
  EXPECT_NE(shown.find(Cp932ToWide(kCasePreservedFlagLine)), std::wstring::npos) << text;
  EXPECT_NE(text.find("     DisplaName:"), std::string::npos);
  ExpectReportOf(L'C', text);
}
