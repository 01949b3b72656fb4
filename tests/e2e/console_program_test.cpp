// QuorlinCmd.exe, the console front end, end to end under Wine: its text on
// a console and in files and pipes, its list and report against the window's,
// its eject through the plug-and-play stand-in, its watch over broadcasts sent
// from this process, and every kind of bad input.
#include <windows.h>
#include <dbt.h>
#include <winioctl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_text.h"
#include "framework/text_win.h"
#include "res/resource.h"
#include "support/broadcast.h"
#include "support/drive_report_check.h"
#include "support/holder_process.h"
#include "support/list_rows.h"
#include "support/pnp_standin.h"
#include "support/process.h"
#include "support/quorlin_cmd.h"
#include "support/remote_window.h"
#include "support/standin_calls.h"
#include "support/wine_mount.h"

namespace {

using nlohmann::json;

// The console's rows as the text that made them: each row but the cursor's
// (empty after a line end) ends in CR LF.
std::wstring ConsoleText(const std::vector<std::wstring>& rows) {
  std::wstring text;
  for (size_t i = 0; i + 1 < rows.size(); ++i) text += rows[i] + L"\r\n";
  if (!rows.empty()) text += rows.back();
  return text;
}

// The report of C: as the console program prints it on a console of its own.
std::wstring ReportOfCOnAConsole() {
  TestConsole console;
  EXPECT_TRUE(console.ok());
  CmdResult run = RunQuorlinCmd(L"report C:", CmdOutput::kConsole);
  EXPECT_EQ(run.exitCode, 0u);
  return ConsoleText(console.Rows());
}

// The cases of this suite mean something under the code page that the Wine
// start was given: 932 for ja_JP, 1252 for en_US (a ctest entry of its own).
TEST(ConsoleOutput, RunsUnderTheCodePageOfItsLocale) {
  char locale[64] = {};
  ASSERT_GT(::GetEnvironmentVariableA("LC_ALL", locale, sizeof locale), 0u);
  EXPECT_EQ(::GetACP(), std::string(locale).rfind("en_US", 0) == 0 ? 1252u : 932u);
}

TEST(ConsoleOutput, OnAConsoleTheJapaneseTextReadsRight) {
  {
    TestConsole console;
    ASSERT_TRUE(console.ok());
    CmdResult help = RunQuorlinCmd(L"--help", CmdOutput::kConsole);
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_EQ(ConsoleText(console.Rows()), Cp932ToWide(HelpText()));
  }
  ExpectReportOfCReadsRight(ReportOfCOnAConsole());
  {
    // Standard error too, with what the user typed in the line.
    TestConsole console;
    CmdResult bad = RunQuorlinCmd(L"report Ｅ:", CmdOutput::kConsole);
    EXPECT_EQ(bad.exitCode, 64u);
    EXPECT_EQ(ConsoleText(console.Rows()),
              L"QuorlinCmd: 'Ｅ:' is not a drive: give a letter A to Z, such as E: (see "
              L"QuorlinCmd --help)\r\n");
  }
}

TEST(ConsoleOutput, RedirectedTextIsUtf8WithoutAByteOrderMark) {
  for (CmdOutput output : {CmdOutput::kFiles, CmdOutput::kPipes}) {
    SCOPED_TRACE(output == CmdOutput::kFiles ? "file" : "pipe");
    CmdResult report = RunQuorlinCmd(L"report C:", output);
    EXPECT_EQ(report.exitCode, 0u);
    EXPECT_EQ(report.err, "");
    ASSERT_GT(report.out.size(), 3u);
    EXPECT_NE(report.out.substr(0, 3), "\xEF\xBB\xBF");
    // Valid UTF-8 comes back unchanged from a round trip.
    EXPECT_EQ(WideToUtf8(Utf8ToWide(report.out)), report.out);
    ExpectReportOfCReadsRight(Utf8ToWide(report.out));

    CmdResult help = RunQuorlinCmd(L"--help", output);
    EXPECT_EQ(help.out, Cp932ToUtf8(HelpText()));
  }
  CmdResult bad = RunQuorlinCmd(L"eject Ｅ:");
  EXPECT_EQ(bad.err, Cp932ToUtf8("QuorlinCmd: 'Ｅ:' is not a drive: give a letter A to Z, such as "
                                 "E: (see QuorlinCmd --help)\r\n"));
}

TEST(ConsoleOutput, Cp932GivesCodePage932BytesWhenRedirected) {
  CmdResult help = RunQuorlinCmd(L"--cp932 --help", CmdOutput::kPipes);
  EXPECT_EQ(help.exitCode, 0u);
  EXPECT_EQ(help.out, HelpText());
  CmdResult report = RunQuorlinCmd(L"report C: --cp932");
  ExpectReportOfCReadsRight(Cp932ToWide(report.out));
  CmdResult bad = RunQuorlinCmd(L"eject Ｅ: --cp932");
  EXPECT_EQ(bad.err,
            "QuorlinCmd: 'Ｅ:' is not a drive: give a letter A to Z, such as E: (see QuorlinCmd "
            "--help)\r\n");
  // A console shows Unicode text whatever the option says.
  TestConsole console;
  RunQuorlinCmd(L"--help --cp932", CmdOutput::kConsole);
  EXPECT_EQ(ConsoleText(console.Rows()), Cp932ToWide(HelpText()));
}

// Every kind of bad input: one line on standard error, nothing on standard
// output, and the exit code for it.
TEST(BadInput, OneLineOnStandardErrorAndItsExitCode) {
  const wchar_t free = FreeDriveLetter();
  ASSERT_NE(free, 0);
  const std::wstring freeDrive = {free, L':'};
  const std::string freeName = {static_cast<char>(free), ':'};
  const std::string help = " (see QuorlinCmd --help)\r\n";
  const std::string notADrive = " is not a drive: give a letter A to Z, such as E:" + help;
  struct Case {
    std::wstring arguments;
    DWORD exitCode;
    std::string err;  // code page 932
  };
  const Case cases[] = {
      {L"", 64, "QuorlinCmd: no command given: list, report, eject, who or watch" + help},
      {L"frob", 64, "QuorlinCmd: unknown command 'frob'" + help},
      {L"--frob", 64, "QuorlinCmd: unknown option '--frob'" + help},
      {L"list --jsn", 64, "QuorlinCmd: unknown option '--jsn'" + help},
      {L"report", 64, "QuorlinCmd: report needs a drive, such as E:" + help},
      {L"eject", 64, "QuorlinCmd: eject needs a drive, such as E:" + help},
      {L"list C:", 64, "QuorlinCmd: list takes no argument, not also 'C:'" + help},
      {L"watch now", 64, "QuorlinCmd: watch takes no argument, not also 'now'" + help},
      {L"report C: Z:", 64, "QuorlinCmd: report takes one drive, not also 'Z:'" + help},
      {L"eject C: --except D:", 64, "QuorlinCmd: eject --except goes with --all" + help},
      {L"eject --media --all", 64, "QuorlinCmd: eject --media takes one drive, not --all" + help},
      {L"eject C: --wait", 64,
       "QuorlinCmd: --wait needs a number of seconds, such as --wait 30" + help},
      {L"eject --media C: Z:", 64, "QuorlinCmd: eject takes one drive, not also 'Z:'" + help},
      {L"eject C: --wiat 5", 64, "QuorlinCmd: unknown option '--wiat'" + help},
      {L"eject --all --except " + freeDrive, 64,
       "QuorlinCmd: --except " + freeName + " is no drive; nothing was ejected" + help},
      {L"who", 64, "QuorlinCmd: who needs a drive, such as E:" + help},
      {L"who --all", 64, "QuorlinCmd: who has no --all" + help},
      {L"eject --all C:", 64, "QuorlinCmd: eject --all takes no drive, not also 'C:'" + help},
      {L"report 1:", 64, "QuorlinCmd: '1:'" + notADrive},
      {L"eject AB:", 64, "QuorlinCmd: 'AB:'" + notADrive},
      // No character that code page 932 lacks passes as a look-alike letter.
      {L"report é:", 64, "QuorlinCmd: '?:'" + notADrive},
      {L"eject \"\"", 64, "QuorlinCmd: ''" + notADrive},
      {L"report " + freeDrive, 2, "QuorlinCmd: there is no drive " + freeName + "\r\n"},
      {L"eject " + freeDrive, 2, "QuorlinCmd: there is no drive " + freeName + "\r\n"},
      {L"who " + freeDrive, 2, "QuorlinCmd: there is no drive " + freeName + "\r\n"},
      {L"who AB:", 64, "QuorlinCmd: 'AB:'" + notADrive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToCp932(c.arguments));
    CmdResult run = RunQuorlinCmd(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, Cp932ToUtf8(c.err));
  }
}

// Output that cannot be written is a failure (exit code 74), not a success
// with nothing said; watch ends when nobody reads it any more.
TEST(BadInput, OutputThatCannotBeWrittenEndsWithItsOwnExitCode) {
  for (const wchar_t* arguments : {L"list", L"report C: --json", L"--help", L"who C:"}) {
    SCOPED_TRACE(WideToCp932(arguments));
    EXPECT_EQ(RunQuorlinCmd(arguments, CmdOutput::kClosedPipe).exitCode, 74u);
  }
  // A failed eject keeps its own code: the output is not all that failed.
  EXPECT_EQ(RunQuorlinCmd(L"eject C:", CmdOutput::kClosedPipe).exitCode, 2u);

  QuorlinCmdProcess watch;
  ASSERT_TRUE(watch.Start(L"watch", CmdOutput::kClosedPipe));
  ASSERT_TRUE(WaitUntil([&] { return !watch.ErrSoFar().empty(); }, 20000));
  BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
  CmdResult run = watch.Finish(10000);
  EXPECT_EQ(run.exitCode, 74u);
}

// Quorlin.exe and QuorlinCmd.exe side by side, with a removable drive of the
// mount manager besides Wine's C: and Z:.
class WindowAndConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    letter = FreeDriveLetter();
    ASSERT_NE(letter, 0);
    root = {static_cast<char>(letter), ':', '\\'};
    drive = std::make_unique<ScopedWineDrive>(letter, kWineDriveRemovable, "QUORLIN", "c0ffee42");
    ASSERT_TRUE(drive->ok());
    ASSERT_TRUE(quorlin.Start());
    ASSERT_NE(quorlin.WaitForMainWindow(), nullptr);
    list = quorlin.Control(IDC_DRIVE_LIST);
    report = quorlin.Control(IDC_REPORT_EDIT);
    ASSERT_TRUE(list && report);
    ASSERT_GE(ListViewRowOf(list, root), 0);
  }

  wchar_t letter = 0;
  std::string root;
  std::unique_ptr<ScopedWineDrive> drive;
  QuorlinProcess quorlin;
  HWND list = nullptr, report = nullptr;
};

TEST_F(WindowAndConsole, ListIsThePlatformsEnumerationWithTheWindowsTypeNames) {
  // The platform's own answer, and the window's rows.
  std::vector<std::pair<std::string, UINT>> platform;
  const DWORD mask = ::GetLogicalDrives();
  for (wchar_t l = L'A'; l <= L'Z'; ++l) {
    if (!(mask & (1u << (l - L'A')))) continue;
    const wchar_t path[] = {l, L':', L'\\', L'\0'};
    platform.push_back({std::string{static_cast<char>(l), ':'}, ::GetDriveTypeW(path)});
  }
  std::vector<std::string> rows;
  for (int i = 0; i < ListViewCount(list); ++i)
    rows.push_back(ListViewText(list, i, 0) + "  " + ListViewText(list, i, 1));
  ASSERT_EQ(rows.size(), platform.size());

  CmdResult text = RunQuorlinCmd(L"list");
  EXPECT_EQ(text.exitCode, 0u);
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(Lines(text.out), rows);
  for (size_t i = 0; i < platform.size(); ++i)
    EXPECT_EQ(rows[i].substr(0, 3), platform[i].first + "\\");
  EXPECT_NE(std::find(rows.begin(), rows.end(), root + "  Removable"), rows.end());

  CmdResult array = RunQuorlinCmd(L"list --json");
  EXPECT_EQ(array.exitCode, 0u);
  ASSERT_EQ(array.out.substr(array.out.size() - 2), "\r\n");
  json drives = json::parse(array.out);
  ASSERT_EQ(drives.size(), platform.size());
  for (size_t i = 0; i < platform.size(); ++i) {
    EXPECT_EQ(drives[i], (json{{"drive", platform[i].first},
                               {"type", platform[i].second},
                               {"typeName", ListViewText(list, static_cast<int>(i), 1)}}));
  }
}

// The free space of a drive in KB, as the report shows it: what is available
// to the caller and what is free. It moves while others write to the host's
// disk, where the scratch folder lies.
using FreeSpace = std::pair<std::uint64_t, std::uint64_t>;

FreeSpace FreeKilobytes(wchar_t letter) {
  const wchar_t path[] = {letter, L':', L'\\', L'\0'};
  ULARGE_INTEGER available{}, total{}, totalFree{};
  ::GetDiskFreeSpaceExW(path, &available, &total, &totalFree);
  return {available.QuadPart / 1024, totalFree.QuadPart / 1024};
}

// The number after `label` on its line of a report (or of one line of it);
// 0 without it.
std::uint64_t NumberAfter(const std::wstring& report, const char* label) {
  return GroupedValue(ValueAfter(WideToCp932(report), label));
}

FreeSpace FreeSpaceOf(const std::vector<std::wstring>& report) {
  const std::wstring text = ConsoleText(report);
  return {NumberAfter(text, kFreeToCaller), NumberAfter(text, kTotalFree)};
}

TEST_F(WindowAndConsole, ReportIsWhatTheWindowShowsForTheDrive) {
  // The icon handle is made anew by every query, in the process that makes
  // it: two runs of the console program never show the same one.
  const std::wstring drive = {letter, L':'};
  CmdResult first = RunQuorlinCmd(L"report " + drive + L" --json");
  CmdResult second = RunQuorlinCmd(L"report " + drive + L" --json");
  ASSERT_EQ(first.exitCode, 0u);
  const json handle1 = json::parse(first.out)["fileInfo"]["iconHandle"];
  const json handle2 = json::parse(second.out)["fileInfo"]["iconHandle"];
  EXPECT_NE(handle1, 0);
  EXPECT_NE(handle1, handle2);

  // Everything else is the same byte for byte, the free space included once
  // it held still for the time of both reports: the same in this process's
  // reading before and after, in the window's and in the console's.
  const int row = ListViewRowOf(list, root);
  std::vector<std::wstring> shown, printed;
  bool stillSpace = false;
  for (int attempt = 0; attempt < 5 && !stillSpace; ++attempt) {
    const FreeSpace before = FreeKilobytes(letter);
    ASSERT_TRUE(ClickRowAndWait(list, row));
    shown = Lines(WideWindowTextOf(report));
    CmdResult run = RunQuorlinCmd(L"report " + drive);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.out.substr(run.out.size() - 2), "\r\n");
    printed = Lines(Utf8ToWide(run.out));
    stillSpace = FreeKilobytes(letter) == before && FreeSpaceOf(shown) == before &&
                 FreeSpaceOf(printed) == before;
  }
  if (!stillSpace) std::printf("The free space moved during all five attempts.\n");
  ASSERT_EQ(printed.size(), shown.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    SCOPED_TRACE(WideToCp932(shown[i]));
    if (shown[i].rfind(L"     HICON:0x", 0) == 0) {
      EXPECT_EQ(printed[i].rfind(L"     HICON:0x", 0), 0u);
      EXPECT_EQ(printed[i].size(), shown[i].size());
    } else if (!stillSpace && shown[i].find(L"FreeKBytes") != std::wstring::npos) {
      for (const char* label : {kFreeToCaller, kTotalFree}) {
        const std::uint64_t a = NumberAfter(shown[i], label), b = NumberAfter(printed[i], label);
        EXPECT_LE(a > b ? a - b : b - a, kFreeSpaceDriftKb);
      }
    } else {
      EXPECT_EQ(printed[i], shown[i]);
    }
  }
  EXPECT_EQ(ValueAfter(WideToCp932(ConsoleText(printed)), "     VolumeName:"), "QUORLIN");
}

// QuorlinCmd eject, through the stand-in loaded before the program's first
// instruction. The drive's disk is offered as the one interface of the disk
// class, as for the window's remove button.
class EjectCommand : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kDevice = 0x4711;
  static constexpr std::uint32_t kParent = 0x0815;

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(AddStandinDrive(&drive));
    name = {drive.root[0], ':'};
  }

  struct Run {
    CmdResult result;
    std::vector<StandinRecord> calls;
  };

  // Runs "eject <target>" with the drive's disk scripted, then `script`.
  void Eject(const std::string& target, const std::function<void(StandinScript&)>& script,
             Run* run) {
    QuorlinCmdProcess cmd;
    ASSERT_TRUE(cmd.Start(L"eject " + Cp932ToWide(target), CmdOutput::kFiles, true));
    PnpStandin standin;
    std::string error;
    ASSERT_TRUE(standin.Attach(cmd.Handle(), cmd.Id(), &error)) << error;
    OfferDisk(standin.Script(), drive.diskPath, kDevice, kParent);
    script(standin.Script());
    cmd.Resume();
    run->result = cmd.Finish();
    run->calls = standin.Records();
    EXPECT_EQ(standin.RecordCount(), static_cast<LONG>(run->calls.size()));
  }

  static void SetVeto(StandinScript& s, int request, std::uint32_t type, const std::wstring& name) {
    s.vetoTypes[request] = type;
    std::wcsncpy(s.vetoNames[request], name.c_str(), std::size(s.vetoNames[request]) - 1);
  }

  StandinDrive drive;
  std::string name;  // "Y:"
  const std::vector<std::string> walk = {"classdevs", "enum 0", "size", "detail", "destroy"};
};

TEST_F(EjectCommand, EjectedAtTheFirstRequestAskingForTheVeto) {
  Run run;
  ASSERT_NO_FATAL_FAILURE(Eject(
      name, [](StandinScript& s) { ScriptRequests(s, {CR_SUCCESS}); }, &run));
  EXPECT_EQ(run.result.exitCode, 0u);
  EXPECT_EQ(run.result.out, name + " ejected\r\n");
  EXPECT_EQ(run.result.err, "");
  EXPECT_EQ(Sequence(run.calls),
            Concat(walk, {"parent of " + Hex(kDevice), "eject " + Hex(kParent) + " = 0x0"}));
  ExpectPlatformArguments(run.calls, kDevice, VetoOutputs::kAsked);
}

// Three refusals: exit code 1 and the veto of the last request, by the veto
// type's name and the veto name, whatever the earlier requests reported.
TEST_F(EjectCommand, RefusedThreeTimesPrintsTheLastVetoTypeAndName) {
  const std::wstring explorer = Cp932ToWide("エクスプローラー");
  struct Case {
    std::vector<std::uint32_t> results;
    std::uint32_t lastType;
    std::wstring lastName;
    std::string line;
  };
  const Case cases[] = {
      {{0x17, 0x17, 0x17},
       5,
       L"\\Device\\HarddiskVolume3",
       "not ejected: PNP_VetoOutstandingOpen \"\\Device\\HarddiskVolume3\" (result 0x17)"},
      {{0x17, 0x17, 0x17},
       3,
       explorer,
       "not ejected: PNP_VetoWindowsApp \"エクスプローラー\" (result 0x17)"},
      // A name longer than the buffer the program gives is cut by the platform to 259.
      {{0x17, 5, 0x17},
       4,
       std::wstring(280, L'n'),
       "not ejected: PNP_VetoWindowsService \"" + std::string(259, 'n') + "\" (result 0x17)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 60));
    Run run;
    ASSERT_NO_FATAL_FAILURE(Eject(
        name,
        [&](StandinScript& s) {
          ScriptRequests(s, c.results);
          // The earlier requests report other vetoes.
          SetVeto(s, 0, 6, L"PCI\\VEN_8086");
          SetVeto(s, 1, 7, L"usbstor");
          SetVeto(s, 2, c.lastType, c.lastName);
        },
        &run));
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_EQ(run.result.out, "");
    // Below the refusal, who holds the drive: nothing here.
    EXPECT_EQ(run.result.err, Cp932ToUtf8(name + " " + c.line + "\r\n" +
                                          "no process holds files open on " + name + "\r\n"));
    std::vector<std::string> expected = Concat(walk, {"parent of " + Hex(kDevice)});
    for (std::uint32_t result : c.results)
      expected = Concat(expected, {"eject " + Hex(kParent) + " = " + Hex(result), "sleep 500"});
    EXPECT_EQ(Sequence(run.calls), expected);
    ExpectPlatformArguments(run.calls, kDevice, VetoOutputs::kAsked);
    ExpectPausesBetweenRequests(run.calls);
  }
}

// A refusal names the processes that hold the drive, as who lists them.
TEST_F(EjectCommand, ARefusalNamesTheProcessesHoldingTheDrive) {
  const std::wstring file = Cp932ToWide(drive.root) + L"held.txt";
  HANDLE created = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  ::CloseHandle(created);
  HolderProcess holder;
  ASSERT_TRUE(holder.Start(L"open " + file));
  Run run;
  ASSERT_NO_FATAL_FAILURE(Eject(
      name, [](StandinScript& s) { ScriptRequests(s, {CR_REMOVE_VETOED}); }, &run));
  EXPECT_EQ(run.result.exitCode, 1u);
  EXPECT_EQ(run.result.err, name + " not ejected: PNP_VetoTypeUnknown \"\" (result 0x17)\r\n" +
                                std::to_string(holder.Id()) + "  quorlin_test_holder.exe  " +
                                drive.root + "held.txt\r\n");
}

// eject --all over two removable drives, the first ejected and the second
// refused: a line each, in the drives' order, with the holders below the
// refusal; exit code 1; one request for the first device, three for the other.
TEST_F(EjectCommand, AllEjectsEachRemovableDeviceInTurn) {
  StandinDrive lower;  // the next free letter, before the first one
  ASSERT_NO_FATAL_FAILURE(AddStandinDrive(&lower));
  const std::string first = {lower.root[0], ':'};
  Run run;
  ASSERT_NO_FATAL_FAILURE(Eject(
      "--all",
      [&](StandinScript& s) {
        s.interfaceCount = 2;
        SetInterface(s.interfaces[1], lower.diskPath, kDevice + 1);
        ScriptRequests(s, {CR_SUCCESS, CR_REMOVE_VETOED});
      },
      &run));
  EXPECT_EQ(run.result.exitCode, 1u);
  EXPECT_EQ(run.result.out, first + " ejected\r\n");
  EXPECT_EQ(run.result.err, name + " not ejected: PNP_VetoTypeUnknown \"\" (result 0x17)\r\n" +
                                "no process holds files open on " + name + "\r\n");
  std::vector<std::string> requests;
  for (const std::string& call : Sequence(run.calls))
    if (call.rfind("parent of", 0) == 0 || call.rfind("eject", 0) == 0) requests.push_back(call);
  const std::string parent = "eject " + Hex(kParent);
  EXPECT_EQ(requests,
            (std::vector<std::string>{"parent of " + Hex(kDevice + 1), parent + " = 0x0",
                                      "parent of " + Hex(kDevice), parent + " = 0x17",
                                      parent + " = 0x17", parent + " = 0x17"}));

  // With no removable drive left, there is nothing to eject.
  drive.wine.reset();
  lower.wine.reset();
  CmdResult none = RunQuorlinCmd(L"eject --all");
  EXPECT_EQ(none.exitCode, 2u);
  EXPECT_EQ(none.err, "QuorlinCmd: there is no removable drive to eject\r\n");
}

// The requests and the medium's calls of a run, without the device walk.
std::vector<std::string> Requests(const std::vector<StandinRecord>& calls) {
  std::vector<std::string> requests;
  for (const std::string& call : Sequence(calls))
    if (call.rfind("classdevs", 0) != 0 && call.rfind("enum", 0) != 0 &&
        call.rfind("size", 0) != 0 && call.rfind("detail", 0) != 0 && call.rfind("destroy", 0) != 0)
      requests.push_back(call);
  return requests;
}

bool CreateNewFile(const std::wstring& file) {
  HANDLE created = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  return created != INVALID_HANDLE_VALUE && ::CloseHandle(created);
}

// A new file `file` that `holder` keeps open.
void HoldNewFile(const std::wstring& file, HolderProcess* holder) {
  ASSERT_TRUE(CreateNewFile(file));
  ASSERT_TRUE(holder->Start(L"open " + file));
}

TEST_F(EjectCommand, WaitAsksAgainUntilTheHolderLetsGo) {
  const std::wstring file = Cp932ToWide(drive.root) + L"h\u00e9ld.txt";  // exact, not "held"
  HolderProcess holder;
  ASSERT_NO_FATAL_FAILURE(HoldNewFile(file, &holder));
  const std::string held = std::to_string(holder.Id()) + "  quorlin_test_holder.exe  ";
  std::thread letGo([&] {
    ::Sleep(4000);
    holder.End();
  });
  Run run;
  Eject(
      name + " --wait 40",
      [&](StandinScript& s) { std::wcsncpy(s.heldFile, file.c_str(), std::size(s.heldFile) - 1); },
      &run);
  letGo.join();
  EXPECT_EQ(run.result.exitCode, 0u);
  EXPECT_EQ(run.result.out, name + " ejected\r\n");
  // The refusal once, however many rounds it took; again only if a round
  // was refused just before the holder ended and found it gone.
  const std::string refusal = name + " not ejected: PNP_VetoOutstandingOpen \"\" (result 0x17)\r\n";
  const std::string first = refusal + held + WideToUtf8(file) + "\r\n";
  EXPECT_TRUE(run.result.err == first ||
              run.result.err == first + refusal + "no process holds files open on " + name + "\r\n")
      << run.result.err;
  EXPECT_EQ(Requests(run.calls).back(), "eject " + Hex(kParent) + " = 0x0");
}

// Three drives; the lowest two share one storage device. Excepting the third
// leaves it alone, and the device of the other two goes as one, named by both.
TEST_F(EjectCommand, ExceptLeavesItsDriveAloneAndADeviceIsNamedByAllItsDrives) {
  StandinDrive second, first;
  ASSERT_NO_FATAL_FAILURE(AddStandinDrive(&second));
  ASSERT_NO_FATAL_FAILURE(AddStandinDrive(&first));
  const std::string both = {first.root[0], ':', ' ', second.root[0], ':'};
  auto script = [&](StandinScript& s) {
    s.interfaceCount = 2;
    SetInterface(s.interfaces[1], second.diskPath, kDevice + 1);
    s.renumberFrom = first.number;
    s.renumberTo = second.number;
    ScriptRequests(s, {CR_SUCCESS});
  };
  Run run;
  ASSERT_NO_FATAL_FAILURE(Eject("--all --except " + name, script, &run));
  EXPECT_EQ(run.result.exitCode, 0u);
  EXPECT_EQ(run.result.out, both + " ejected (one device)\r\n");
  EXPECT_EQ(run.result.err, "");
  EXPECT_EQ(Requests(run.calls), (std::vector<std::string>{"parent of " + Hex(kDevice + 1),
                                                           "eject " + Hex(kParent) + " = 0x0"}));
  ASSERT_NO_FATAL_FAILURE(Eject(std::string(1, second.root[0]) + ":", script, &run));
  EXPECT_EQ(run.result.out, both + " ejected (one device)\r\n");  // either drive names both
}

// Complete, and with the names exact: a holder's file whose name code page
// 932 lacks, the veto name as the platform gave it.
TEST_F(EjectCommand, JsonIsOneCompleteObjectPerDeviceWithExactNames) {
  const std::wstring file = Cp932ToWide(drive.root) + L"h\u00e9ld\xD83D\xDE00.txt";
  HolderProcess holder;
  ASSERT_NO_FATAL_FAILURE(HoldNewFile(file, &holder));
  Run run;
  ASSERT_NO_FATAL_FAILURE(Eject(
      name + " --json", [](StandinScript& s) { SetVeto(s, 0, 5, L"\\Device\\Volume\u00e9"); },
      &run));
  EXPECT_EQ(run.result.exitCode, 1u);
  EXPECT_EQ(run.result.err, "");
  const nlohmann::ordered_json expected = {{"drives", {name}},
                                           {"action", "device"},
                                           {"result", "refused"},
                                           {"vetoType", "PNP_VetoOutstandingOpen"},
                                           {"vetoName", "\\Device\\Volume\xC3\xA9"},
                                           {"holders",
                                            {{{"pid", holder.Id()},
                                              {"process", "quorlin_test_holder.exe"},
                                              {"path", WideToUtf8(file)}}}},
                                           {"notInspected", 0}};
  EXPECT_EQ(run.result.out, expected.dump() + "\r\n");
  holder.End();
  ASSERT_NO_FATAL_FAILURE(Eject(
      "--all --json", [](StandinScript& s) { ScriptRequests(s, {CR_SUCCESS}); }, &run));
  EXPECT_EQ(run.result.out,
            "{\"drives\":[\"" + name + "\"],\"action\":\"device\",\"result\":\"ejected\"}\r\n");
}

// --media through Wine's own answers (it grants the lock whatever is open,
// and cannot dismount), then through the stand-in's: the lock refused
// twice, then the documented sequence, with the platform's arguments.
TEST_F(EjectCommand, MediumThroughWinesAnswersAndThenTheStandins) {
  Run run;
  ASSERT_NO_FATAL_FAILURE(Eject(
      "--media " + name, [](StandinScript&) {}, &run));
  EXPECT_EQ(run.result.exitCode, 1u);
  EXPECT_EQ(run.result.err,
            name + " medium not ejected: the volume could not be dismounted (error 50)\r\n");
  const std::string volume = "openrw \\\\.\\" + name;
  EXPECT_EQ(Requests(run.calls),
            (std::vector<std::string>{volume, "lock = 0", "dismount = 50", "unlock = 0", "close"}));
  EXPECT_TRUE(CreateNewFile(Cp932ToWide(drive.root) + L"after.txt"));  // the volume stays usable

  ASSERT_NO_FATAL_FAILURE(Eject(
      "--media " + name,
      [](StandinScript& s) {
        s.volumeScripted = 1;
        s.lockRefusals = 2;
      },
      &run));
  EXPECT_EQ(run.result.out, name + " medium ejected\r\n");
  EXPECT_EQ(Requests(run.calls),
            (std::vector<std::string>{volume, "lock = 5", "lock = 5", "lock = 0", "dismount = 0",
                                      "prevent 0 = 0", "ejectmedia = 0", "close"}));
  ASSERT_EQ(run.calls.size(), 8u);
  EXPECT_EQ(run.calls[0].access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(run.calls[0].share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(run.calls[0].disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(run.calls[5].inputSize, sizeof(PREVENT_MEDIA_REMOVAL));
  for (const StandinRecord& call : run.calls) EXPECT_EQ(call.handle, run.calls[0].handle);
}

TEST_F(EjectCommand, CtrlCEndsTheWaitAtOnce) {
  TestConsole console;
  ASSERT_TRUE(console.ok());
  QuorlinCmdProcess cmd;
  ASSERT_TRUE(cmd.Start(L"eject " + Cp932ToWide(name) + L" --wait 120", CmdOutput::kFiles, true));
  PnpStandin standin;
  std::string error;
  ASSERT_TRUE(standin.Attach(cmd.Handle(), cmd.Id(), &error)) << error;
  OfferDisk(standin.Script(), drive.diskPath, kDevice, kParent);
  cmd.Resume();
  ASSERT_TRUE(WaitUntil([&] { return !cmd.ErrSoFar().empty(); }, 30000));
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  const std::int64_t sent = StampNow();
  ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  CmdResult run = cmd.Finish(20000);
  const double tookMs = StampMs(sent, StampNow());
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_LT(tookMs, 5000.0);  // at most the round under way is finished
  EXPECT_EQ(Lines(run.err).back(), "QuorlinCmd: ended by Ctrl+C, not ejected");
  // A round is a parent query and three requests with their pauses; none was left half way.
  EXPECT_EQ(Requests(standin.Records()).size() % 7, 0u);
}

TEST_F(EjectCommand, NoDeviceNoDriveAndAFixedDrive) {
  // No interface of the class has the drive's number: nothing is requested.
  Run run;
  ASSERT_NO_FATAL_FAILURE(Eject(
      name, [](StandinScript& s) { s.interfaceCount = 0; }, &run));
  EXPECT_EQ(run.result.exitCode, 2u);
  EXPECT_EQ(run.result.out, "");
  EXPECT_EQ(run.result.err, "QuorlinCmd: no storage device found for drive " + name + "\r\n");
  EXPECT_EQ(Sequence(run.calls), (std::vector<std::string>{"classdevs", "enum 0 none", "destroy"}));

  // A letter without a drive is not looked up at all.
  const std::string none = {static_cast<char>(FreeDriveLetter()), ':'};
  ASSERT_NO_FATAL_FAILURE(Eject(
      none, [](StandinScript&) {}, &run));
  EXPECT_EQ(run.result.exitCode, 2u);
  EXPECT_EQ(run.result.err, "QuorlinCmd: there is no drive " + none + "\r\n");
  EXPECT_TRUE(run.calls.empty());

  // A fixed drive is looked up like any other, and its outcome reported:
  // ejected where the platform offers its disk ...
  ASSERT_NO_FATAL_FAILURE(Eject(
      "c:",
      [](StandinScript& s) {
        SetInterface(s.interfaces[0], "\\\\.\\PhysicalDrive0", 0x4712);
        ScriptRequests(s, {CR_SUCCESS});
      },
      &run));
  EXPECT_EQ(run.result.exitCode, 0u);
  EXPECT_EQ(run.result.out, "C: ejected\r\n");
  EXPECT_EQ(Sequence(run.calls),
            Concat(walk, {"parent of 0x4712", "eject " + Hex(kParent) + " = 0x0"}));
  ExpectPlatformArguments(run.calls, 0x4712, VetoOutputs::kAsked);
  // ... and without the stand-in, where Wine lists no disk, not found.
  CmdResult wine = RunQuorlinCmd(L"eject C:");
  EXPECT_EQ(wine.exitCode, 2u);
  EXPECT_EQ(wine.err, "QuorlinCmd: no storage device found for drive C:\r\n");
}

// The watch's window, which is never shown, or null.
HWND WatchWindow(DWORD pid) { return FindProcessWindowOfClass(pid, L"QuorlinCmdWatch"); }

// This process's offset from UTC in minutes, from the time-zone settings.
int UtcOffsetMinutes() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD which = ::GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0) +
              (which == TIME_ZONE_ID_STANDARD ? zone.StandardBias : 0);
  return -static_cast<int>(bias);
}

// A time stamp back to UTC (100 ns units), checking its form on the way:
// -1 when it is not YYYY-MM-DDTHH:MM:SS.mmm+HH:MM with this process's offset.
std::int64_t UtcOfTimestamp(const std::string& stamp) {
  SYSTEMTIME t{};
  int year, month, day, hour, minute, second, milli, offHours, offMinutes;
  char sign = 0;
  char rest = 0;
  if (stamp.size() != 29 ||
      std::sscanf(stamp.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c%2d:%2d%c", &year, &month, &day,
                  &hour, &minute, &second, &milli, &sign, &offHours, &offMinutes, &rest) != 10 ||
      (sign != '+' && sign != '-'))
    return -1;
  const int offset = (sign == '-' ? -1 : 1) * (offHours * 60 + offMinutes);
  if (offset != UtcOffsetMinutes()) return -1;
  t = {static_cast<WORD>(year),   static_cast<WORD>(month), 0,
       static_cast<WORD>(day),    static_cast<WORD>(hour),  static_cast<WORD>(minute),
       static_cast<WORD>(second), static_cast<WORD>(milli)};
  FILETIME file{};
  if (!::SystemTimeToFileTime(&t, &file)) return -1;
  const std::int64_t local = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime);
  return local - std::int64_t{offset} * 60 * 10000000;
}

std::int64_t UtcNow() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(now.dwHighDateTime) << 32 |
                                   now.dwLowDateTime);
}

class WatchCommand : public ::testing::Test {
 protected:
  // Starts the watch on this test's own console (for Ctrl+C) and waits
  // until its window is there and it is ready.
  void StartWatch(const std::wstring& arguments, CmdOutput output) {
    ASSERT_TRUE(console.ok());
    ASSERT_TRUE(watch.Start(arguments, output));
    ASSERT_TRUE(WaitUntil([&] { return (window = WatchWindow(watch.Id())) != nullptr; }, 20000));
    // Broadcasts reach it although it is never shown.
    EXPECT_FALSE(::IsWindowVisible(window));
    ASSERT_TRUE(Responds(window, 10000));
  }

  TestConsole console;
  QuorlinCmdProcess watch;
  HWND window = nullptr;
};

TEST_F(WatchCommand, OneTimeStampedLinePerBroadcastInOrderNoneLostUntilCtrlC) {
  ASSERT_NO_FATAL_FAILURE(StartWatch(L"watch", CmdOutput::kFiles));
  EXPECT_EQ(watch.ErrSoFar(), "QuorlinCmd: watching device changes; Ctrl+C ends\r\n");
  const std::int64_t start = UtcNow();
  constexpr int kBroadcasts = 1000;
  char port[16];
  for (int i = 0; i < kBroadcasts; ++i) {
    std::snprintf(port, sizeof port, "P%04d", i);
    BroadcastDeviceChange(DBT_DEVICEARRIVAL, RecordWithName(DBT_DEVTYP_PORT, 12, port));
    // Each line is out by the time the broadcast returns.
    if (i < 3) {
      EXPECT_EQ(Lines(watch.OutSoFar()).size(), static_cast<size_t>(i + 1));
    }
  }
  const std::int64_t end = UtcNow();

  // The event goes to every process on the console; this one ignores it.
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  CmdResult run = watch.Finish(10000);
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  EXPECT_EQ(run.exitCode, 0u);

  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kBroadcasts));
  const std::string event = Cp932ToUtf8(
      "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=3）DEVTYP_PORT"
      "（PORT:");
  std::int64_t previous = start - 10000000;  // a second's grace for the clocks' rounding
  for (int i = 0; i < kBroadcasts; ++i) {
    SCOPED_TRACE(lines[static_cast<size_t>(i)]);
    std::snprintf(port, sizeof port, "P%04d", i);
    const std::string& line = lines[static_cast<size_t>(i)];
    ASSERT_GT(line.size(), 30u);
    EXPECT_EQ(line.substr(29), " " + event + port + Cp932ToUtf8("）"));
    const std::int64_t at = UtcOfTimestamp(line.substr(0, 29));
    ASSERT_NE(at, -1) << "not a time stamp with this process's offset";
    EXPECT_GE(at, previous);
    EXPECT_LE(at, end + 10000000);
    previous = at;
  }
}

TEST_F(WatchCommand, JsonObjectPerLineThroughAPipeUntilCtrlBreak) {
  ASSERT_NO_FATAL_FAILURE(StartWatch(L"watch --json", CmdOutput::kPipes));
  BroadcastDeviceChange(DBT_DEVICEARRIVAL, VolumeRecord(1u << (L'E' - L'A')));
  BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, RecordWithName(DBT_DEVTYP_PORT, 12, "COM3"));
  BroadcastDeviceChange(DBT_DEVICEARRIVAL,
                        RecordWithName(DBT_DEVTYP_DEVICEINTERFACE, 28, "\\\\?\\USB#VID_1234"));
  BroadcastDeviceChange(DBT_CUSTOMEVENT, RecordWithName(DBT_DEVTYP_HANDLE, 28, ""));
  BroadcastDeviceChange(DBT_DEVNODES_CHANGED);

  // Wine's GenerateConsoleCtrlEvent refuses CTRL_BREAK_EVENT and its console
  // makes none from keys, so the event comes as the system delivers it: on a
  // thread started in the process at the console's control routine.
  auto* routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
  ASSERT_NE(routine, nullptr);
  HANDLE thread = ::CreateRemoteThread(watch.Handle(), nullptr, 0, routine,
                                       reinterpret_cast<void*>(CTRL_BREAK_EVENT), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ::CloseHandle(thread);
  CmdResult run = watch.Finish(10000);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.err, "QuorlinCmd: watching device changes; Ctrl+C ends\r\n");

  struct Expected {
    unsigned eventCode;
    json deviceType, name;
    const char* text;
  };
  const Expected expected[] = {
      {0x8000, 2, "E:",
       "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=2）DEVTYP_"
       "VOLUME「E:」"},
      {0x8004, 3, "COM3",
       "[wParam:0x8004]DEVICEREMOVECOMPLETE：デバイスが停止されました（DeviceType=3）DEVTYP_"
       "PORT（PORT:COM3）"},
      {0x8000, 5, "\\\\?\\USB#VID_1234",
       "[wParam:0x8000]DEVICEARRIVAL：デバイスが使用可能になりました（DeviceType=5）DEVTYP_"
       "DEVICEINTERFACE（I/F:\\\\?\\USB#VID_1234）"},
      {0x8006, 6, nullptr,
       "[wParam:0x8006]CUSTOMEVENT：ドライバー定義のカスタムイベントが発行されました（DeviceType="
       "6）DEVTYP_HANDLE"},
      {0x0007, nullptr, nullptr,
       "[wParam:0x0007]DEVNODES_CHANGED：システムのデバイス状態が変化しました"},
  };
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), std::size(expected));
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    json event = json::parse(lines[i]);
    ASSERT_TRUE(event.contains("time"));
    EXPECT_NE(UtcOfTimestamp(event["time"].get<std::string>()), -1);
    event.erase("time");
    EXPECT_EQ(event, (json{{"eventCode", expected[i].eventCode},
                           {"deviceType", expected[i].deviceType},
                           {"name", expected[i].name},
                           {"text", Cp932ToUtf8(expected[i].text)}}));
  }
}

}  // namespace
