#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_text.h"
#include "cli/exit_codes.h"
#include "cli/timestamp.h"

namespace {

TEST(CommandText, ExitCodeAndLineOfEachEjectOutcome) {
  struct Case {
    EjectOutcome outcome;
    int exitCode;
    const char* line;
  };
  const Case cases[] = {
      {{EjectStatus::kEjected, 0, {}}, 0, "E: ejected\r\n"},
      {{EjectStatus::kRefused, 0x17, {5, "\\Device\\HarddiskVolume7"}},
       1,
       "E: not ejected: PNP_VetoOutstandingOpen \"\\Device\\HarddiskVolume7\" (result 0x17)\r\n"},
      // A refusal may come without a name, or with a type the list lacks.
      {{EjectStatus::kRefused, 0xD, {0, ""}},
       1,
       "E: not ejected: PNP_VetoTypeUnknown \"\" (result 0xD)\r\n"},
      {{EjectStatus::kRefused, 0x17, {14, "ドライバー"}},
       1,
       "E: not ejected: PNP_VetoType(14) \"ドライバー\" (result 0x17)\r\n"},
      {{EjectStatus::kNoDevice, 0, {}}, 2, "QuorlinCmd: no storage device found for drive E:\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(EjectExitCode(c.outcome.status), c.exitCode);
    EXPECT_EQ(EjectOutcomeLine('E', c.outcome), c.line);
  }
}

TEST(CommandText, WhoListsEachHolderOrSaysThatNoneHoldsTheDrive) {
  DriveHolders found{{{12, "notepad.exe", "E:\\held.txt"}, {340, "cmd.exe", "E:\\sub"}}, 0};
  EXPECT_EQ(HolderLines(found), "12  notepad.exe  E:\\held.txt\r\n340  cmd.exe  E:\\sub\r\n");
  EXPECT_EQ(WhoExitCode(found), 0);
  EXPECT_EQ(WhoExitCode({}), 1);
  EXPECT_EQ(HolderLines({}), "");
  EXPECT_EQ(NoHolderLine('E', {}), "no process holds files open on E:\r\n");
  EXPECT_EQ(NotInspectedLine(0), "");
  EXPECT_EQ(NotInspectedLine(1),
            "1 process could not be inspected; an administrator's console sees more\r\n");
  EXPECT_EQ(NotInspectedLine(3),
            "3 processes could not be inspected; an administrator's console sees more\r\n");
  // eject --all names every letter of a device.
  EXPECT_EQ(EjectOutcomeLine("EF", {EjectStatus::kEjected, 0, {}}),
            "E: F: ejected (one device)\r\n");
  EXPECT_EQ(NoRemovableDriveLine(), "QuorlinCmd: there is no removable drive to eject\r\n");
}

// The medium's outcomes that the end-to-end cases do not reach: each a line, exit code 1.
TEST(CommandText, LineOfEachMediumOutcomeAndExitCodeOne) {
  struct Case {
    MediaEjectStatus status;
    MediaStep step;
    std::uint32_t error;
    const char* line;
  } const cases[] = {
      {MediaEjectStatus::kLockRefused, MediaStep::kLock, 5,
       "E: medium not ejected: the volume is in use (error 5)\r\n"},
      {MediaEjectStatus::kNoMedium, MediaStep::kLock, 21,
       "QuorlinCmd: there is no medium in drive E:\r\n"},
      {MediaEjectStatus::kNotEjectable, MediaStep::kEject, 1,
       "QuorlinCmd: the medium of drive E: cannot be ejected; QuorlinCmd eject E: removes its "
       "device\r\n"},
      {MediaEjectStatus::kFailed, MediaStep::kEject, 31,
       "E: medium not ejected: the eject request failed (error 31)\r\n"},
  };
  for (const Case& c : cases) {
    EjectReport report;
    report.letters = "E";
    report.action = EjectAction::kMedium;
    report.medium = {c.status, c.step, c.error};
    EXPECT_EQ(MediumOutcomeLine('E', report.medium), c.line);
    EXPECT_EQ(EjectReportExitCode(report), 1);
  }
}

// Below a refusal, who holds any of the device's drives, or for each that
// none does; the processes not inspected, those the walk ran out of time for apart.
TEST(CommandText, ARefusalIsFollowedByTheHoldersOfAllItsDrives) {
  EjectReport report;
  report.letters = "EF";
  report.device = {EjectStatus::kRefused, 0x17, {}};
  const std::string refusal = "E: F: not ejected: PNP_VetoTypeUnknown \"\" (result 0x17)\r\n";
  EXPECT_EQ(EjectReportText(report), refusal + "no process holds files open on E:\r\n" +
                                         "no process holds files open on F:\r\n");
  report.holders = {{{7, "a.exe", "F:\\x"}}, 3, 2};
  EXPECT_EQ(EjectReportText(report),
            refusal + "7  a.exe  F:\\x\r\n" +
                "1 process could not be inspected; an administrator's console sees more\r\n"
                "2 processes were not inspected: the walk ran out of time (--timeout SECONDS "
                "gives it longer)\r\n");
}

// A walk that ran out of time has not seen every process: finding no holder,
// it says only that none of those inspected holds the drive, and who's exit
// code is neither "held" nor "not held"; a holder found is one all the same.
TEST(CommandText, AWalkOutOfTimeDoesNotSayThatNoProcessHoldsTheDrive) {
  const DriveHolders late{{}, 5, 4};
  const std::string line =
      "no process holding files open on E: was found among the processes inspected\r\n";
  EXPECT_EQ(NoHolderLine('E', late), line);
  EXPECT_EQ(WhoExitCode(late), kExitUnfinished);
  EXPECT_EQ(WhoExitCode({{{7, "a.exe", "E:\\x"}}, 5, 4}), kExitHeld);
  // Processes only denied to this user leave the walk complete.
  EXPECT_EQ(WhoExitCode({{}, 5, 0}), kExitNotHeld);
  EjectReport report;
  report.letters = "E";
  report.device = {EjectStatus::kRefused, 0x17, {}};
  report.holders = late;
  EXPECT_NE(EjectReportText(report).find(line), std::string::npos);
}

TEST(CommandText, DriveListLinesAreRootPathAndTheListsTypeName) {
  EXPECT_EQ(DriveListText({{'A', 2}, {'C', 3}, {'D', 5}, {'X', 7}}),
            "A:\\  Removable\r\nC:\\  Fixed\r\nD:\\  CD-ROM\r\nX:\\  Unknown\r\n");
  EXPECT_EQ(DriveListText({}), "");
  EXPECT_EQ(NoDriveLine('Q'), "QuorlinCmd: there is no drive Q:\r\n");
}

// Every command, option and exit code that the program has is in the help,
// once in each language, and every line ends in CR LF.
TEST(CommandText, HelpNamesEverythingInBothLanguages) {
  const std::string help = HelpText();
  const size_t japanese = help.find("使い方:");
  ASSERT_NE(japanese, std::string::npos);
  const std::string english = help.substr(0, japanese);
  const std::string nihongo = help.substr(japanese);
  const char* names[] = {"QuorlinCmd list [--json]",
                         "QuorlinCmd report X: [--json]",
                         "QuorlinCmd eject X:",
                         "QuorlinCmd eject --all",
                         "QuorlinCmd who X: [--json]",
                         "QuorlinCmd watch [--json]",
                         "QuorlinCmd --help",
                         "QuorlinCmd --version",
                         "  --json ",
                         "  --cp932 "};
  for (const char* name : names) {
    EXPECT_NE(english.find(name), std::string::npos) << name;
    EXPECT_NE(nihongo.find(name), std::string::npos) << name;
  }
  for (int code : {kExitSuccess, kExitRefused, kExitHeld, kExitNotHeld, kExitNoDrive,
                   kExitUnfinished, kExitUsage, kExitOutput}) {
    const std::string line = "\r\n  " + std::to_string(code) + " ";
    EXPECT_NE(english.find(line), std::string::npos) << code;
    EXPECT_NE(nihongo.find(line), std::string::npos) << code;
  }
  for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
    EXPECT_EQ(help[at - 1], '\r') << at;
  EXPECT_EQ(help.substr(help.size() - 2), "\r\n");
  EXPECT_EQ(VersionLine("Ver.:1, 0, 1, 104"), "QuorlinCmd Ver.:1, 0, 1, 104\r\n");
}

TEST(CommandText, TimestampsAreIso8601WithMillisecondsAndTheOffset) {
  EXPECT_EQ(FormatTimestamp({2026, 12, 8, 17, 12, 11, 123, 9 * 60}),
            "2026-12-08T17:12:11.123+09:00");
  EXPECT_EQ(FormatTimestamp({2027, 1, 2, 3, 4, 5, 6, 0}), "2027-01-02T03:04:05.006+00:00");
  EXPECT_EQ(FormatTimestamp({2026, 3, 8, 1, 59, 59, 999, -(3 * 60 + 30)}),
            "2026-03-08T01:59:59.999-03:30");
  EXPECT_EQ(FormatTimestamp({2026, 6, 30, 23, 0, 0, 0, 5 * 60 + 45}),
            "2026-06-30T23:00:00.000+05:45");
  EXPECT_EQ(FormatTimestamp({2026, 6, 30, 23, 0, 0, 0, -1}), "2026-06-30T23:00:00.000-00:01");
}

}  // namespace
