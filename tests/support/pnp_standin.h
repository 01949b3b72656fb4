#pragma once
// The test side of the plug-and-play stand-in (tests/standin): loads it into a
// running Quorlin.exe, sets its script and reads back every call it recorded.
//
//   PnpStandin standin;
//   ASSERT_TRUE(standin.Attach(quorlin.Handle(), quorlin.Id(), &error)) << error;
//   standin.Script().ejectResultCount = 1;     // the first request succeeds
//   ...                                        // press the remove button
//   for (const StandinRecord& call : standin.Records(uiThread)) ...
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "standin/pnp_standin_layout.h"

// GUID_DEVINTERFACE_DISK, the class a removable drive is looked up in.
extern const GUID kDiskInterfaceClass;

class PnpStandin {
 public:
  PnpStandin() = default;
  ~PnpStandin();
  PnpStandin(const PnpStandin&) = delete;
  PnpStandin& operator=(const PnpStandin&) = delete;

  // Makes the shared memory for process `pid` with a zeroed script (no
  // interface in any class, every request refused), then loads the stand-in
  // DLL from beside the test program into the process. True once all its
  // hooks are in place; otherwise `error` says what failed.
  bool Attach(HANDLE process, DWORD pid, std::string* error);

  // The script, to be changed only while the program is not in a call.
  StandinScript& Script() { return m_shared->script; }
  // Forgets the recorded calls (the script stays), also only between calls.
  void ClearRecords();

  // The finished calls so far, in call order; of one thread when `threadId`
  // is not 0.
  std::vector<StandinRecord> Records(DWORD threadId = 0) const;
  // Every call that took a slot, including those past the last record.
  LONG RecordCount() const;

 private:
  HANDLE m_mapping = nullptr;
  StandinShared* m_shared = nullptr;
};

// A QueryPerformanceCounter stamp; one clock for every process.
std::int64_t StampNow();
// Milliseconds from stamp `from` to stamp `to`.
double StampMs(std::int64_t from, std::int64_t to);

// The storage device number that a path opens to (as the program asks it:
// no access, IOCTL_STORAGE_GET_DEVICE_NUMBER); false when it does not open
// or does not answer.
bool StorageNumberOf(const std::wstring& path, DWORD* number);

// Sets an interface of the script: its device path, devInst and, when not 0,
// the size the size query reports.
void SetInterface(StandinInterface& item, const std::string& path, std::uint32_t devInst,
                  std::uint32_t requiredSize = 0);
