#pragma once
// Memory that this process and another one both see: a section of the page
// file, mapped into each. Messages whose pointers the system does not carry
// across processes (the list view's) and a path handed to a thread started
// in another process point into it.
//
// It takes the place of VirtualAllocEx with Read/WriteProcessMemory, which
// work on Windows and under Wine on a host that runs 32-bit programs, but
// not where 32-bit programs run by user-mode emulation: the emulator keeps a
// process's memory at an offset that Wine's server, which reads and writes
// another process's memory for those calls, does not know. A view of a
// section is mapped by the other process itself (Wine asks it to), so both
// sides see the same bytes on every kind of host.
#include <windows.h>

#include <cstddef>

class SharedMemory {
 public:
  // `process` needs PROCESS_VM_OPERATION and outlives this object.
  SharedMemory(HANDLE process, size_t size);
  ~SharedMemory();
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  // Both views exist: the other process can be handed Remote().
  bool Ok() const { return m_remote != nullptr; }
  // The memory as the other process addresses it.
  void* Remote() const { return m_remote; }
  // The same memory here.
  char* Local() const { return static_cast<char*>(m_local); }
  // Leaves the other process's view mapped when this object goes, for a
  // thread there that may still read it.
  void Keep() { m_remote = nullptr; }
  // The failing call, for a test's message.
  const char* Failed() const { return m_failed; }

 private:
  HANDLE m_process;
  HANDLE m_section = nullptr;
  void* m_local = nullptr;
  void* m_remote = nullptr;
  const char* m_failed = nullptr;
};
