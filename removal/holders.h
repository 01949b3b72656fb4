#pragma once
// Who holds a drive: the processes with a file or folder open on it, which
// is what keeps the plug-and-play manager from removing its device. The
// platform says only that "a program" uses the device; these say which.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One file or folder that a process has open on the drive.
struct DriveHolder {
  std::uint32_t pid = 0;
  // The names exactly as the system gives them, UTF-8: a character that
  // code page 932 lacks must not turn into a look-alike that names another file.
  std::string process;  // the program's file name ("notepad.exe")
  std::string path;     // the open path as the user knows it ("E:\photos\a.jpg")
  bool operator==(const DriveHolder&) const = default;
};

struct DriveHolders {
  // By process id, then path; each process and path once.
  std::vector<DriveHolder> holders;
  // Processes with open files that could not be looked into: access denied,
  // gone meanwhile, a query that stalled, or not reached in time. An
  // administrator sees more.
  std::uint32_t notInspected = 0;
  // Of those, the ones the walk did not reach, or not wholly, before its ceiling.
  std::uint32_t outOfTime = 0;
};

// The path as the user knows it: the platform's final path without its
// "\\?\" prefix ("\\?\E:\a.jpg" -> "E:\a.jpg"); any other form (a network
// path, a volume without a letter) as it is.
std::string UserPath(std::string_view finalPath);

// Whether a path as UserPath gives it lies on drive `letter` ('A'..'Z', either case).
bool IsOnDrive(std::string_view path, char letter);
// `text` begins with `prefix`, letters compared in ASCII case alone (volume
// and device names, and the prefixes of paths, are ASCII).
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// Whether a final path in volume form ("\\?\Volume{...}\a.jpg") lies on the
// volume `volumeName` ("\\?\Volume{...}\", as the platform names a drive's
// volume): a file reached through a folder that the volume is mounted on.
bool IsOnVolume(std::string_view volumePath, std::string_view volumeName);

// Puts the holders in their order (process id, then path) and drops repeats,
// such as a file that a process has open twice.
void SortHolders(std::vector<DriveHolder>& holders);

// The program's file name from its full image path ("C:\a\b.exe" -> "b.exe").
std::string ProgramName(std::string_view imagePath);
