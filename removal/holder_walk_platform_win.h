#pragma once
// The handle walk's platform calls, made for real. Every query that can
// wait on its object is guarded: one that has not returned within the
// stall limit is cancelled (CancelSynchronousIo on the walking thread) and
// reported as stalled.
#include <windows.h>

#include <vector>

#include "removal/holder_walk_platform.h"

// How long one query may take before it counts as stalled.
inline constexpr DWORD kQueryStallMs = 1000;

class HolderWalkPlatformWin : public HolderWalkPlatform {
 public:
  // The thread that constructs it is the one that walks.
  explicit HolderWalkPlatformWin(DWORD stallMs = kQueryStallMs);
  ~HolderWalkPlatformWin() override;
  HolderWalkPlatformWin(const HolderWalkPlatformWin&) = delete;
  HolderWalkPlatformWin& operator=(const HolderWalkPlatformWin&) = delete;

  std::uint32_t OwnProcessId() override;
  DriveNames QueryDriveNames(char letter) override;
  HandleList ListHandles() override;
  PlatformHandle OpenProcess(std::uint32_t pid) override;
  std::string ProgramOf(PlatformHandle process) override;
  bool HasEnded(PlatformHandle process) override;
  PlatformHandle Duplicate(PlatformHandle process, std::uintptr_t value) override;
  void Close(PlatformHandle handle) override;
  QueryResult QueryIsDiskFile(PlatformHandle copy, bool* disk) override;
  QueryResult QueryObjectName(PlatformHandle copy, std::string* name) override;
  QueryResult QueryFinalPath(PlatformHandle copy, PathForm form, std::string* path) override;
  std::uint64_t NowMs() override;

  // The guard's side, on its own thread.
  void Watch();

 private:
  // Around one query: the guard may cancel it in between.
  void Arm();
  QueryResult Disarm(bool answered);

  DWORD m_stallMs;
  HANDLE m_walker = nullptr;  // the walking thread
  HANDLE m_guard = nullptr;   // the guard's thread, started at the first query
  HANDLE m_quit = nullptr;
  CRITICAL_SECTION m_lock;
  std::uint64_t m_querySince = 0;  // when the query under way began; 0: none
  bool m_cancelled = false;
  LARGE_INTEGER m_frequency{};
  std::vector<ULONGLONG> m_nameBuffer;  // NtQueryObject's answer, aligned
};
