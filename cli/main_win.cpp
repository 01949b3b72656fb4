// QuorlinCmd.exe, the console front end: the command line becomes calls of
// the core that the window uses, and their results become text. A command's
// whole output is made first and written at the end, so that an error never
// leaves half of it behind.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/command_text.h"
#include "cli/console_output_win.h"
#include "cli/json_output.h"
#include "cli/watch_win.h"
#include "drives/drive_queries_win.h"
#include "framework/arguments_win.h"
#include "framework/text_win.h"
#include "removal/eject_win.h"
#include "removal/holders_win.h"
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

// Who holds the drive, as the lines below a refused eject: the holders, or
// the line that none does; and how many processes could not be looked into.
// One walk serves all the device's drives. UTF-8, as the holders' names are.
std::string HoldersBelowRefusal(std::string_view letters, std::uint64_t timeoutMs) {
  DriveHolders all = FindDriveHolders(letters, timeoutMs);
  std::string text = HolderLines(all);
  if (all.holders.empty())
    for (char letter : letters) text += NoHolderLine(letter);
  return text + NotInspectedLines(all);
}

// The names in the program's own texts: no conversion.
std::string AsItIs(std::string_view text) { return std::string(text); }

// eject --all: one device at a time, each outcome written as it comes (an
// ejected device on standard output, a refusal with its holders on standard
// error), so that the lines keep the devices' order.
int EjectAll(ConsoleOutput& out, ConsoleOutput& err, std::uint64_t timeoutMs) {
  std::vector<char> removable;
  for (const DriveEntry& drive : QueryDrives())
    if (drive.type == kDriveRemovable) removable.push_back(drive.letter);
  if (removable.empty()) {
    err.Write(Cp932ToWide(NoRemovableDriveLine()));
    return kExitNoDrive;
  }
  int exitCode = kExitSuccess;
  bool written = true;
  for (const std::string& letters : GroupDrivesByDevice(removable)) {
    EjectOutcome outcome = EjectDriveWithVeto(static_cast<unsigned char>(letters[0]));
    // The veto name, like the holders' names, is UTF-8.
    std::string text = EjectOutcomeLine(letters, outcome);
    if (outcome.status == EjectStatus::kEjected) {
      written = out.Write(Utf8ToWide(text)) && written;
      continue;
    }
    exitCode = kExitRefused;
    if (outcome.status == EjectStatus::kRefused) text += HoldersBelowRefusal(letters, timeoutMs);
    err.Write(Utf8ToWide(text));
  }
  return exitCode == kExitSuccess && !written ? kExitOutput : exitCode;
}

CommandResult Run(const CommandLine& line) {
  CommandResult result;
  DriveEntry drive{};
  const bool needsDrive = line.command == Command::kReport || line.command == Command::kWho ||
                          line.command == Command::kEject;
  if (needsDrive && !FindDrive(line.letter, &drive)) {
    result.exitCode = kExitNoDrive;
    result.err = Cp932ToWide(NoDriveLine(line.letter));
    return result;
  }

  switch (line.command) {
    case Command::kHelp:
      result.out = Cp932ToWide(HelpText());
      break;
    case Command::kVersion:
      result.out = Cp932ToWide(VersionLine(GetVersionText()));
      break;
    case Command::kList: {
      std::vector<DriveEntry> drives = QueryDrives();
      result.out = line.json ? Utf8ToWide(DriveListJson(drives) + "\r\n")
                             : Cp932ToWide(DriveListText(drives));
      break;
    }
    case Command::kReport: {
      DriveReportInput input = QueryDriveReportInput(drive.letter);
      result.out = line.json ? Utf8ToWide(DriveReportJson(drive, input, Cp932ToUtf8) + "\r\n")
                             : Cp932ToWide(BuildDriveReport(input));
      break;
    }
    case Command::kEject: {
      EjectOutcome outcome = EjectDriveWithVeto(static_cast<unsigned char>(drive.letter));
      result.exitCode = EjectExitCode(outcome.status);
      std::string text = EjectOutcomeLine(drive.letter, outcome);
      if (outcome.status == EjectStatus::kRefused)
        text += HoldersBelowRefusal(std::string(1, drive.letter), line.timeoutMs);
      (result.exitCode == kExitSuccess ? result.out : result.err) = Utf8ToWide(text);
      break;
    }
    case Command::kWho: {
      DriveHolders found = FindDriveHolders(drive.letter, line.timeoutMs);
      result.exitCode = WhoExitCode(found);
      if (line.json) {
        result.out = Utf8ToWide(HoldersJson(drive.letter, found, AsItIs) + "\r\n");
        break;
      }
      result.out = Utf8ToWide(HolderLines(found));
      if (found.holders.empty()) result.err = Cp932ToWide(NoHolderLine(drive.letter));
      result.err += Cp932ToWide(NotInspectedLines(found));
      break;
    }
    case Command::kWatch:
      break;
  }
  return result;
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
  if (parsed.line.command == Command::kWatch) return RunWatch(out, err, parsed.line.json);
  if (parsed.line.command == Command::kEject && parsed.line.all)
    return EjectAll(out, err, parsed.line.timeoutMs);

  const CommandResult result = Run(parsed.line);
  if (!result.err.empty()) err.Write(result.err);
  // A command that did its work but could not say so has not succeeded.
  if (!result.out.empty() && !out.Write(result.out) && result.exitCode == kExitSuccess)
    return kExitOutput;
  return result.exitCode;
}
