#pragma once
// Who holds a drive, from the system's list of open handles.
#include <cstdint>
#include <string_view>

#include "removal/holders.h"

// Every other process's open files and folders on the drives of `letters`
// ('A'..'Z'): WalkDriveHolders over the real platform, with each query
// guarded against a stall. `ceilingMs` bounds the whole walk; 0 scales the
// bound to the number of file handles.
DriveHolders FindDriveHolders(std::string_view letters, std::uint64_t ceilingMs = 0);
inline DriveHolders FindDriveHolders(char letter, std::uint64_t ceilingMs = 0) {
  return FindDriveHolders(std::string_view(&letter, 1), ceilingMs);
}
