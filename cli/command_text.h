#pragma once
// What the console program says, apart from the core's own texts (the
// report, the device-change line) that it passes on unchanged. Code page 932
// text; lines end in "\r\n" like the report's.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drives/drive_types.h"
#include "removal/eject.h"
#include "removal/eject_wait.h"
#include "removal/media_eject.h"
#include "removal/holders.h"

// --help: every command, option and exit code, in English and in Japanese.
std::string HelpText();

// --version, from the version text of the program's version block ("Ver.:1, 0, 1, 104").
std::string VersionLine(const std::string& versionText);

// One line per drive: its root path, two blanks and the drive list's type name.
std::string DriveListText(const std::vector<DriveEntry>& drives);

// The one line for a letter that no drive has.
std::string NoDriveLine(char letter);

// The line that reports an eject: ejected, refused (with the veto type by
// name, the veto name as the platform gives it, UTF-8, and the last result)
// or no device. `letters` are the drives of the device, one for each of its
// volumes ("EF": "E: F: ejected (one device)").
std::string EjectOutcomeLine(std::string_view letters, const EjectOutcome& outcome);
inline std::string EjectOutcomeLine(char letter, const EjectOutcome& outcome) {
  return EjectOutcomeLine(std::string_view(&letter, 1), outcome);
}

// The line that reports the eject of drive `letter`'s medium.
std::string MediumOutcomeLine(char letter, const MediaEjectOutcome& outcome);

// An eject's line and, after a refusal, who holds its drives (HolderLines,
// or a NoHolderLine per drive, then NotInspectedLines); UTF-8, as the veto
// and the holders' names are.
std::string EjectReportText(const EjectReport& report);
// The exit code of one eject, as EjectExitCode for a device; for a medium
// 0 when it was ejected and 1 otherwise.
int EjectReportExitCode(const EjectReport& report);

// eject --all when no drive is removable.
std::string NoRemovableDriveLine();
// eject --all --except when every removable drive is excepted.
std::string AllExceptedLine();
// --except names a letter that no drive has (a usage error).
std::string NoExceptDriveLine(char letter);
// When Ctrl+C ended a wait.
inline constexpr char kEjectCancelledLine[] = "QuorlinCmd: ended by Ctrl+C, not ejected\r\n";

// who's lines, also under a refused eject: one per open file or folder, the
// process id, the program and the path ("1234  notepad.exe  E:\a.jpg"), in
// the names' own encoding (the walk's are UTF-8).
std::string HolderLines(const DriveHolders& found);
// When the walk found no process holding the drive, the one line that says
// so: that none holds it, or, when the walk ran out of time, only that none
// of the processes it inspected does.
std::string NoHolderLine(char letter, const DriveHolders& found);
// When some processes could not be looked into, how many; empty otherwise.
std::string NotInspectedLine(std::uint32_t count);
// The lines for the processes not inspected: those that could not be looked
// into, and apart from them those the walk ran out of time for.
std::string NotInspectedLines(const DriveHolders& found);
// Exit code of who: kExitHeld when some process holds the drive,
// kExitNotHeld when none does, kExitUnfinished when none was found before
// the walk ran out of time.
int WhoExitCode(const DriveHolders& found);

int EjectExitCode(EjectStatus status);

// watch's lines on standard error: once it listens, and when it cannot.
inline constexpr char kWatchReadyLine[] = "QuorlinCmd: watching device changes; Ctrl+C ends\r\n";
inline constexpr char kWatchNoWindowLine[] =
    "QuorlinCmd: the window that receives the broadcasts could not be made\r\n";
