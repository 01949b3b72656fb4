#include "removal/holders_win.h"

#include "removal/holder_walk.h"
#include "removal/holder_walk_platform_win.h"

DriveHolders FindDriveHolders(std::string_view letters, std::uint64_t ceilingMs) {
  HolderWalkPlatformWin platform;
  try {
    return WalkDriveHolders(platform, letters, ceilingMs);
  } catch (...) {
    // Out of memory: nothing could be looked into. The walk's handles are
    // closed by then, and the platform's guard ends with it.
    DriveHolders none;
    none.notInspected = 1;
    return none;
  }
}
