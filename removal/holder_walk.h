#pragma once
// The walk of the system's open handles that tells who holds a drive, over
// HolderWalkPlatform.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "removal/holder_walk_platform.h"
#include "removal/holders.h"

// How the name of an open file relates to a drive.
enum class NameMatch {
  kNone,
  // A path on the drive's letter ("\??\E:\a.jpg"): `userPath` is set ("E:\a.jpg").
  kPath,
  // On the drive's device or volume, in a form the user does not know
  // ("\Device\HarddiskVolume5\a.jpg"): the final path tells the path to show.
  kDevice,
};

// Matches an object's name, or a final path in DOS or volume-GUID form,
// against the names of `drive`. A device matches only whole
// ("\Device\HarddiskVolume1" is no prefix of "\Device\HarddiskVolume10\a").
NameMatch MatchDriveName(const DriveNames& drive, std::string_view name, std::string* userPath);

// The ceiling of a walk that is given none: a walk that makes progress is
// not cut off, so it grows with the file handles to be looked at.
inline constexpr std::uint64_t kWalkBaseMs = 10000;
inline constexpr std::uint64_t kWalkMsPerFileHandle = 1;
inline std::uint64_t WalkCeilingMs(std::size_t fileHandles) {
  return kWalkBaseMs + kWalkMsPerFileHandle * fileHandles;
}

// Every other process's open files and folders on the drives of `letters`,
// reached by a letter or through a folder that a drive's volume is mounted
// on. Only file handles are copied, one at a time, asked what they are
// before anything else, named once and closed at once; a process with no
// file handle is not opened. The walk runs on the caller's thread and holds
// nothing of another process's when it returns. `ceilingMs` (0: by
// WalkCeilingMs) bounds the whole walk; what it did not reach by then counts
// as not inspected, and as out of time.
DriveHolders WalkDriveHolders(HolderWalkPlatform& platform, std::string_view letters,
                              std::uint64_t ceilingMs = 0);
