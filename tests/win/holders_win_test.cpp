// The handle walk behind "QuorlinCmd who", in this process under Wine: it
// leaves this process out, and a thousand walks leave its handles and its
// memory as they were.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include "removal/holders_win.h"

namespace {

// This process's open handles, found by asking every handle value in turn:
// Wine's GetProcessHandleCount answers 0.
size_t OwnHandleCount() {
  size_t count = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

SIZE_T MemoryInUse() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;  // Wine leaves PrivateUsage at 0
}

TEST(HolderWalk, AThousandWalksLeaveHandlesAndMemoryFlat) {
  // Wine's own services sit in C:\windows; this process's file there is not listed.
  HANDLE own = ::CreateFileW(L"C:\\windows\\win.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(own, INVALID_HANDLE_VALUE);
  DriveHolders first = FindDriveHolders('C');
  EXPECT_FALSE(first.holders.empty());
  for (const DriveHolder& h : first.holders) EXPECT_NE(h.pid, ::GetCurrentProcessId());
  EXPECT_EQ(first.notInspected, 0u);

  for (int i = 0; i < 20; ++i) FindDriveHolders('C');  // the heap settles
  const size_t handles = OwnHandleCount();
  const SIZE_T memory = MemoryInUse();
  for (int i = 0; i < 1000; ++i) FindDriveHolders('C');
  EXPECT_EQ(OwnHandleCount(), handles);
  EXPECT_LT(MemoryInUse(), memory + 1024 * 1024);
  ::CloseHandle(own);
}

}  // namespace
