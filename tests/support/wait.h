#pragma once
// Waiting in the tests: for a condition, in short sleeps, within limits that
// grow where the test programs run slower than the limits were set for.
#include <windows.h>

// `ms` times the slowdown of this build's programs on this host. Where
// 32-bit programs run by user-mode emulation, the scripts set
// QUORLIN_WIN32_TIME_SCALE (scripts/host.sh), and the i686 test programs
// scale every time limit by it; elsewhere, and in the x86_64 build, a limit
// stays as written. A limit can grow, never shrink; what a test asserts
// does not change.
DWORD Scaled(DWORD ms);

// Sleeps in 50 ms steps until `done` holds; false when `timeoutMs` (scaled)
// ran out first. It pumps no messages: what it waits for happens in other
// processes or threads.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD timeoutMs = 10000) {
  const DWORD limit = Scaled(timeoutMs);
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > limit) return false;
    ::Sleep(50);
  }
  return true;
}
