#pragma once
// Waiting in the tests: for a condition, in short sleeps.
#include <windows.h>

// Sleeps in 50 ms steps until `done` holds; false when `timeoutMs` ran out
// first. It pumps no messages: what it waits for happens in other processes
// or threads.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD timeoutMs = 10000) {
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(50);
  }
  return true;
}
