// QuorlinCmd.exe, the console front end: the command line becomes calls of
// the core that the window uses, and their results become text. list,
// report, who, --help and --version make their whole output first and write
// it at the end, so that an error never leaves half of it behind. eject, in
// every form, writes each device's or medium's outcome as it comes, since it
// may wait for a long time and --all goes through one device after another;
// watch writes each broadcast's line as it arrives.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/command_text.h"
#include "cli/console_output_win.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/watch_win.h"
#include "drives/drive_queries_win.h"
#include "framework/arguments_win.h"
#include "framework/text_win.h"
#include "removal/eject_win.h"
#include "removal/holders_win.h"
#include "removal/removal_platform_win.h"
#include "framework/version_text_win.h"

namespace {

struct CommandResult {
  int exitCode = kExitSuccess;
  std::wstring out;
  std::wstring err;
};

// The arguments after the program's name. Any character that code page 932
// lacks becomes "?", never a look-alike letter that could pass as a drive.
std::vector<std::string> Arguments() {
  std::vector<std::wstring> wide = WideCommandLineArguments();
  std::vector<std::string> arguments;
  for (size_t i = 1; i < wide.size(); ++i) arguments.push_back(WideToCp932Strict(wide[i]));
  return arguments;
}

// The drive of `letter` as the drive list has it; false when there is none.
bool FindDrive(char letter, DriveEntry* drive) {
  std::vector<DriveEntry> drives = QueryDrives();
  auto found = std::find_if(drives.begin(), drives.end(),
                            [letter](const DriveEntry& d) { return d.letter == letter; });
  if (found == drives.end()) return false;
  *drive = *found;
  return true;
}

// The names in the program's own texts: no conversion.
std::string AsItIs(std::string_view text) { return std::string(text); }

// One try at the eject of the device that carries `letters`, or of the
// medium of its one drive; after a refusal, who holds the drives, in one
// walk bounded by `timeoutMs` (0: scaled to the open handles).
EjectReport TryEject(const std::string& letters, bool medium, std::uint64_t timeoutMs) {
  EjectReport report;
  report.letters = letters;
  const auto letter = static_cast<unsigned char>(letters[0]);
  if (medium) {
    report.action = EjectAction::kMedium;
    report.medium = EjectMediumOf(letter);
    report.cancelled = report.medium.cancelled;
  } else {
    RemovalPlatformWin platform;
    report.device = RequestDriveEject(platform, letter, EjectNotice::kByCaller);
  }
  if (ResultOf(report) == EjectResult::kRefused)
    report.holders = FindDriveHolders(letters, timeoutMs);
  return report;
}

// Ctrl+C or Ctrl+Break during an eject: the pauses end at once, and no
// further device is begun; a request under way is let finish.
std::atomic<bool> g_ejectCancelled{false};

BOOL WINAPI EjectCtrlHandler(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  g_ejectCancelled = true;
  CancelRemovalPauses();
  return TRUE;
}

struct EjectOutput {
  ConsoleOutput& out;
  ConsoleOutput& err;
  bool json;
  bool written = true;  // whether everything for standard output could be written
};

// Ejects one device or medium, asking again until `deadlineMs` while it is
// refused; each refusal's walk for holders has its own --timeout. The veto
// and the holders' names are UTF-8, so the text is too. As text, an ejected
// device goes to standard output and a refusal with its holders to standard
// error, each refusal once; as JSON, the last answer goes to standard output.
int EjectOne(const std::string& letters, const CommandLine& line, std::uint64_t deadlineMs,
             EjectOutput& output) {
  auto show = [&](const EjectReport& report) {
    if (!output.json) output.err.Write(Utf8ToWide(EjectReportText(report)));
  };
  const EjectWaitEnd end = EjectWithWaitUntil(
      deadlineMs, [&] { return TryEject(letters, line.media, line.timeoutMs); }, show);
  const bool ejected = ResultOf(end.last) == EjectResult::kEjected;
  if (output.json) {
    output.written =
        output.out.Write(Utf8ToWide(EjectReportJson(end.last, AsItIs) + "\r\n")) && output.written;
  } else if (!end.lastShown) {
    std::wstring text = Utf8ToWide(EjectReportText(end.last));
    if (ejected)
      output.written = output.out.Write(text) && output.written;
    else
      output.err.Write(text);
  }
  if (!ejected && (end.last.cancelled || g_ejectCancelled)) {
    output.err.Write(Cp932ToWide(kEjectCancelledLine));
    return kExitRefused;
  }
  return EjectReportExitCode(end.last);
}

// Every form of eject: the drives it takes are chosen, then each device (or
// the medium) is ejected in turn.
int RunEject(const CommandLine& line, ConsoleOutput& out, ConsoleOutput& err) {
  const std::vector<DriveEntry> drives = QueryDrives();
  RemovalPlatformWin platform;
  auto exists = [&](char letter) {
    return std::any_of(drives.begin(), drives.end(),
                       [letter](const DriveEntry& d) { return d.letter == letter; });
  };
  std::vector<std::string> devices;
  if (!line.all) {
    if (!exists(line.letter)) {
      err.Write(Cp932ToWide(NoDriveLine(line.letter)));
      return kExitNoDrive;
    }
    // A device goes with every drive on it, and is named by all of them.
    std::vector<char> letters;
    for (const DriveEntry& drive : drives) letters.push_back(drive.letter);
    devices = {line.media ? std::string(1, line.letter)
                          : DeviceLettersOf(GroupLettersByDevice(platform, letters), line.letter)};
  } else {
    for (char letter : line.except) {
      if (exists(letter)) continue;
      err.Write(Cp932ToWide(NoExceptDriveLine(letter)));
      return kExitUsage;
    }
    // The excepted drives are grouped too, so that the drives that share
    // their devices are left alone with them.
    std::vector<char> letters;
    bool removable = false;
    for (const DriveEntry& drive : drives) {
      const bool isRemovable = drive.type == kDriveRemovable;
      removable = removable || isRemovable;
      if (isRemovable || line.except.find(drive.letter) != std::string::npos)
        letters.push_back(drive.letter);
    }
    if (!removable) {
      err.Write(Cp932ToWide(NoRemovableDriveLine()));
      return kExitNoDrive;
    }
    devices = DevicesWithout(GroupLettersByDevice(platform, letters), line.except);
    if (devices.empty()) {
      err.Write(Cp932ToWide(AllExceptedLine()));
      return kExitSuccess;
    }
  }

  ::SetConsoleCtrlHandler(EjectCtrlHandler, TRUE);
  // One deadline for the whole command; every device is asked at least once.
  const std::uint64_t deadlineMs =
      RemovalClockMs() + static_cast<std::uint64_t>(line.waitSeconds) * 1000;
  EjectOutput output{out, err, line.json};
  int exitCode = kExitSuccess;
  for (const std::string& letters : devices) {
    if (g_ejectCancelled) {
      err.Write(Cp932ToWide(kEjectCancelledLine));
      exitCode = kExitRefused;
      break;
    }
    const int code = EjectOne(letters, line, deadlineMs, output);
    // eject --all: any device not ejected makes it a refusal.
    if (code != kExitSuccess) exitCode = line.all ? kExitRefused : code;
    if (code != kExitSuccess && g_ejectCancelled) break;
  }
  return exitCode == kExitSuccess && !output.written ? kExitOutput : exitCode;
}

// A command whose output was made whole: the errors, then the output.
int WriteResult(const CommandResult& result, ConsoleOutput& out, ConsoleOutput& err) {
  if (!result.err.empty()) err.Write(result.err);
  // A command that did its work but could not say so has not succeeded.
  if (!result.out.empty() && !out.Write(result.out) && result.exitCode == kExitSuccess)
    return kExitOutput;
  return result.exitCode;
}

CommandResult NoDrive(char letter) {
  CommandResult result;
  result.exitCode = kExitNoDrive;
  result.err = Cp932ToWide(NoDriveLine(letter));
  return result;
}

CommandResult RunList(const CommandLine& line) {
  CommandResult result;
  std::vector<DriveEntry> drives = QueryDrives();
  result.out =
      line.json ? Utf8ToWide(DriveListJson(drives) + "\r\n") : Cp932ToWide(DriveListText(drives));
  return result;
}

CommandResult RunReport(const CommandLine& line) {
  DriveEntry drive{};
  if (!FindDrive(line.letter, &drive)) return NoDrive(line.letter);
  CommandResult result;
  DriveReportInput input = QueryDriveReportInput(drive.letter);
  result.out = line.json ? Utf8ToWide(DriveReportJson(drive, input, Cp932ToUtf8) + "\r\n")
                         : Cp932ToWide(BuildDriveReport(input));
  return result;
}

CommandResult RunWho(const CommandLine& line) {
  DriveEntry drive{};
  if (!FindDrive(line.letter, &drive)) return NoDrive(line.letter);
  CommandResult result;
  DriveHolders found = FindDriveHolders(drive.letter, line.timeoutMs);
  result.exitCode = WhoExitCode(found);
  if (line.json) {
    result.out = Utf8ToWide(HoldersJson(drive.letter, found, AsItIs) + "\r\n");
    return result;
  }
  result.out = Utf8ToWide(HolderLines(found));
  if (found.holders.empty()) result.err = Cp932ToWide(NoHolderLine(drive.letter, found));
  result.err += Cp932ToWide(NotInspectedLines(found));
  return result;
}

// Every command, in one place.
int RunCommand(const CommandLine& line, ConsoleOutput& out, ConsoleOutput& err) {
  switch (line.command) {
    case Command::kHelp:
      return WriteResult({kExitSuccess, Cp932ToWide(HelpText()), {}}, out, err);
    case Command::kVersion:
      return WriteResult({kExitSuccess, Cp932ToWide(VersionLine(GetVersionText())), {}}, out, err);
    case Command::kList:
      return WriteResult(RunList(line), out, err);
    case Command::kReport:
      return WriteResult(RunReport(line), out, err);
    case Command::kWho:
      return WriteResult(RunWho(line), out, err);
    case Command::kEject:
      return RunEject(line, out, err);
    case Command::kWatch:
      return RunWatch(out, err, line.json);
  }
  return kExitUsage;  // not reached: the parser makes only the commands above
}

}  // namespace

int main() {
  const ParsedCommandLine parsed = ParseCommandLine(Arguments());
  ConsoleOutput out(STD_OUTPUT_HANDLE, parsed.line.cp932);
  ConsoleOutput err(STD_ERROR_HANDLE, parsed.line.cp932);
  if (!parsed.ok) {
    err.Write(Cp932ToWide(parsed.error + "\r\n"));
    return kExitUsage;
  }
  return RunCommand(parsed.line, out, err);
}
