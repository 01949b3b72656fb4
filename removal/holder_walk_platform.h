#pragma once
// The platform calls behind the walk of the system's open handles, and
// nothing else: the handle list, opening a process, copying one of its
// handles, the type and name queries and the clock. FindDriveHolders runs
// the walk over HolderWalkPlatformWin; the tests over a recording fake.
#include <cstdint>
#include <string>
#include <vector>

#include "removal/removal_platform.h"

// One entry of the system's list of open handles.
struct ListedHandle {
  std::uint32_t pid = 0;
  std::uintptr_t value = 0;     // the handle's value in its process
  std::uint16_t typeIndex = 0;  // the object type, as the list numbers them
};

struct HandleList {
  std::vector<ListedHandle> handles;
  // The type index of file objects, told by a file of the walker's own
  // that is open while the list is taken; -1 when it was not seen.
  int fileType = -1;
};

// How a query that may wait on the object went.
enum class QueryResult {
  kAnswered,
  kFailed,
  // It did not return in time and was cancelled: the object stays unseen.
  kStalled,
};

// The names the system has for a drive, to match open files' names against.
struct DriveNames {
  char letter = 0;           // 'A'..'Z'
  std::string letterDevice;  // the letter's NT device ("\Device\HarddiskVolume5"), or ""
  std::string volumeName;    // its volume, "\\?\Volume{...}\", or ""
  std::string volumeDevice;  // the volume's NT device, for folders it is mounted on, or ""
};

// The forms of a final path that GetFinalPathNameByHandle gives.
enum class PathForm { kDos, kVolumeGuid };

class HolderWalkPlatform {
 public:
  virtual ~HolderWalkPlatform() = default;

  virtual std::uint32_t OwnProcessId() = 0;
  virtual DriveNames QueryDriveNames(char letter) = 0;
  // The open handles of every process, taken once.
  virtual HandleList ListHandles() = 0;

  // OpenProcess to copy handles and read the image name; 0 when refused.
  virtual PlatformHandle OpenProcess(std::uint32_t pid) = 0;
  // The program's file name ("notepad.exe"), UTF-8; "" when unknown.
  virtual std::string ProgramOf(PlatformHandle process) = 0;
  // Whether the process has ended by now.
  virtual bool HasEnded(PlatformHandle process) = 0;
  // A copy of `value` of `process` in this process, same access; 0 on failure.
  virtual PlatformHandle Duplicate(PlatformHandle process, std::uintptr_t value) = 0;
  virtual void Close(PlatformHandle handle) = 0;

  // The queries that can wait on the object for ever (a synchronous pipe
  // with a read pending), each guarded on its own.
  // Whether the copy is a disk file (GetFileType).
  virtual QueryResult QueryIsDiskFile(PlatformHandle copy, bool* disk) = 0;
  // The object's name as the system keeps it, UTF-8 ("\Device\HarddiskVolume5\a.jpg").
  virtual QueryResult QueryObjectName(PlatformHandle copy, std::string* name) = 0;
  // The final path in `form`, UTF-8 ("\\?\E:\a.jpg"); "" when it has none.
  virtual QueryResult QueryFinalPath(PlatformHandle copy, PathForm form, std::string* path) = 0;

  // A monotonic clock in milliseconds.
  virtual std::uint64_t NowMs() = 0;
};
