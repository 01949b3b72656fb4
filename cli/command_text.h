#pragma once
// What the console program says, apart from the core's own texts (the
// report, the device-change line) that it passes on unchanged. Code page 932
// text; lines end in "\r\n" like the report's.
#include <string>
#include <vector>

#include "drives/drive_types.h"
#include "removal/eject.h"

// Exit codes.
inline constexpr int kExitSuccess = 0;  // done; for eject: the device was ejected
inline constexpr int kExitRefused = 1;  // eject: every request was refused
inline constexpr int kExitNoDrive = 2;  // no such drive, or no storage device found for it
inline constexpr int kExitUsage = 64;   // the command line was not understood
// The output could not be written, or watch could not open its window.
inline constexpr int kExitOutput = 74;

// --help: every command, option and exit code, in English and in Japanese.
std::string HelpText();

// --version, from the version text of the program's version block ("Ver.:1, 0, 1, 104").
std::string VersionLine(const std::string& versionText);

// One line per drive: its root path, two blanks and the drive list's type name.
std::string DriveListText(const std::vector<DriveEntry>& drives);

// The one line for a letter that no drive has.
std::string NoDriveLine(char letter);

// The line that reports an eject: ejected, refused (with the veto type by
// name, the veto name and the last result) or no device.
std::string EjectOutcomeLine(char letter, const EjectOutcome& outcome);

int EjectExitCode(EjectStatus status);

// watch's lines on standard error: once it listens, and when it cannot.
inline constexpr char kWatchReadyLine[] = "QuorlinCmd: watching device changes; Ctrl+C ends\r\n";
inline constexpr char kWatchNoWindowLine[] =
    "QuorlinCmd: the window that receives the broadcasts could not be made\r\n";
