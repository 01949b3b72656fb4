#include "cli/json_output.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <string>

namespace {

using nlohmann::json;

// Stands for the platform's conversion from code page 932: marks what went
// through it, and turns the code page 932 bytes of "表" into UTF-8.
std::string MarkedUtf8(std::string_view text) {
  std::string out = "<";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 2) == "\x95\x5C") {
      out += "\xE8\xA1\xA8";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out + ">";
}

template <size_t N>
void SetName(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

TEST(CliJson, DriveListIsAnArrayOfDriveTypeAndTypeName) {
  const std::string text = DriveListJson({{'C', 3}, {'E', 2}, {'X', 9}});
  EXPECT_EQ(text, R"([{"drive":"C:","type":3,"typeName":"Fixed"},)"
                  R"({"drive":"E:","type":2,"typeName":"Removable"},)"
                  R"({"drive":"X:","type":9,"typeName":"Unknown"}])");
  EXPECT_EQ(DriveListJson({}), "[]");
}

TEST(CliJson, ReportHasEveryQueryResultAndTheFlagsByNumberAndName) {
  DriveReportInput in;
  in.iconHandle = 0xFFFFFFFF;
  in.iconIndex = -3;
  in.attributes = 0xF0000144;
  SetName(in.displayName, "\x95\x5C \"q\" \\ \x01");  // 表, quotes, backslash, a control byte
  SetName(in.typeName, "Folder");
  in.freeSpaceResult = true;
  in.freeBytesAvailableToCaller = 1;
  in.totalBytes = 0xFFFFFFFFFFFFFFFFull;
  in.totalFreeBytes = 4398046511104ull;
  in.volumeResult = false;
  SetName(in.volumeName, std::string(260, 'v'));  // fills its buffer: no NUL
  in.volumeSerialNumber = 0xC0FFEE42;
  in.maximumComponentLength = 255;
  // Table order, not bit order; 0x100 is no flag of the table.
  in.fileSystemFlags = 0x1 | 0x2 | 0x20 | 0x100 | 0x40000;
  SetName(in.fileSystemName, "NTFS");

  const json report = json::parse(DriveReportJson({'E', 2}, in, MarkedUtf8));
  const json expected = {
      {"drive", "E:"},
      {"type", 2},
      {"typeName", "Removable"},
      {"fileInfo",
       {{"iconHandle", 4294967295u},
        {"iconIndex", -3},
        {"attributes", 4026532164u},
        {"displayName", "<\xE8\xA1\xA8 \"q\" \\ \x01>"},
        {"typeName", "<Folder>"}}},
      {"freeSpace",
       {{"result", true},
        {"freeBytesAvailableToCaller", 1},
        {"totalBytes", 18446744073709551615ull},
        {"totalFreeBytes", 4398046511104ull}}},
      {"volume",
       {{"result", false},
        {"volumeName", "<" + std::string(260, 'v') + ">"},
        {"volumeSerialNumber", 3237998146u},
        {"fileSystemFlags", 0x40123},
        {"fileSystemFlagNames",
         {"FILE_CASE_PRESERVED_NAMES", "FILE_CASE_SENSITIVE_SEARCH", "FILE_NAMED_STREAMS",
          "FILE_VOLUME_QUOTAS"}},
        {"maximumComponentLength", 255},
        {"fileSystemName", "<NTFS>"}}},
  };
  EXPECT_EQ(report, expected) << report.dump(1);
  // Written in the order a reader expects, the drive first.
  EXPECT_EQ(DriveReportJson({'E', 2}, in, MarkedUtf8).rfind(R"({"drive":"E:","type":2,)", 0), 0u);
}

TEST(CliJson, EveryFlagOfTheReportHasItsNameOnceInTheReportsOrder) {
  DriveReportInput in;
  in.fileSystemFlags = 0xFFFFFFFF;
  const json names =
      json::parse(DriveReportJson({'C', 3}, in, MarkedUtf8))["volume"]["fileSystemFlagNames"];
  ASSERT_EQ(names.size(), FileSystemFlagTable().size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], FileSystemFlagTable()[i].name);
  EXPECT_EQ(names.front(), "FILE_CASE_PRESERVED_NAMES");
  EXPECT_EQ(names.back(), "FILE_VOLUME_QUOTAS");
}

TEST(CliJson, DeviceChangeObjectCarriesTheRecordsTypeAndNameOrNull) {
  const std::string time = "2026-12-08T17:12:11.123+09:00";
  struct Case {
    uint32_t code;
    std::optional<DeviceChangeSubject> subject;
    json deviceType, name;
  };
  const Case cases[] = {
      {0x8000, DeviceChangeSubject{2, "E:"}, 2, "<E:>"},
      {0x8004, DeviceChangeSubject{3, "COM3"}, 3, "<COM3>"},
      {0x8000, DeviceChangeSubject{5, "\\\\?\\usb#\x95\x5C"}, 5, "<\\\\?\\usb#\xE8\xA1\xA8>"},
      {0x8006, DeviceChangeSubject{6, std::nullopt}, 6, nullptr},
      {0x0020, DeviceChangeSubject{-2, std::nullopt}, -2, nullptr},
      {0x0007, std::nullopt, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const json event =
        json::parse(DeviceChangeJson(time, c.code, c.subject, "[wParam]\x95\x5C", MarkedUtf8));
    SCOPED_TRACE(event.dump());
    EXPECT_EQ(event, (json{{"time", time},
                           {"eventCode", c.code},
                           {"deviceType", c.deviceType},
                           {"name", c.name},
                           {"text", "<[wParam]\xE8\xA1\xA8>"}}));
  }
}

TEST(CliJson, HoldersAreTheDriveAnArrayAndTheCountNotInspected) {
  DriveHolders found{{{12, "\x95\x5C.exe", "E:\\\x95\x5C"}}, 2};
  EXPECT_EQ(json::parse(HoldersJson('E', found, MarkedUtf8)),
            json::parse("{\"drive\":\"E:\",\"holders\":[{\"pid\":12,\"process\":\"<\xE8\xA1\xA8.exe>\","
                        "\"path\":\"<E:\\\\\xE8\xA1\xA8>\"}],\"notInspected\":2}"));
  EXPECT_EQ(HoldersJson('F', {}, MarkedUtf8), R"({"drive":"F:","holders":[],"notInspected":0})");
}

// The fields that do not apply are left out: the veto but for a device's
// refusal, the holders but after a refusal (a device's refusal: end to end).
TEST(CliJson, EjectReportCarriesOnlyTheFieldsThatApply) {
  EjectReport report;
  report.letters = "EF";
  report.device.status = EjectStatus::kNoDevice;
  EXPECT_EQ(EjectReportJson(report, MarkedUtf8),
            R"({"drives":["E:","F:"],"action":"device","result":"failed"})");
  report.letters = "G";
  report.action = EjectAction::kMedium;
  report.medium.status = MediaEjectStatus::kLockRefused;
  report.holders = {{{12, "a.exe", "G:\\a"}}, 2};
  EXPECT_EQ(EjectReportJson(report, MarkedUtf8),
            R"({"drives":["G:"],"action":"medium","result":"refused",)"
            R"("holders":[{"pid":12,"process":"<a.exe>","path":"<G:\\a>"}],"notInspected":2})");
}

TEST(CliJson, TextThatIsNotUtf8IsReplacedRatherThanFatal) {
  auto raw = [](std::string_view text) { return std::string(text); };
  std::string line;
  ASSERT_NO_THROW(line = DeviceChangeJson("t", 7, DeviceChangeSubject{3, "\x95\x5C"}, "x", raw));
  EXPECT_EQ(json::parse(line)["name"], "\xEF\xBF\xBD\\");  // U+FFFD, then the 0x5C
}

}  // namespace
