#pragma once
// A program started from a test or the bench, and its handles, closed when it goes.
#include <windows.h>

#include <string>

struct LaunchOptions {
  DWORD flags = 0;  // creation flags (CREATE_SUSPENDED, DETACHED_PROCESS, ...)
  // Standard handles: given one, the three are the child's and it inherits
  // the inheritable handles; given none, it inherits nothing.
  HANDLE in = nullptr, out = nullptr, err = nullptr;
  const wchar_t* folder = nullptr;  // its current folder; the caller's when null
};

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Close(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // `arguments` are already quoted as needed; false when it did not start.
  bool Start(const std::wstring& exe, const std::wstring& arguments,
             const LaunchOptions& options = {});
  // Ends it with `exitCode` if it still runs and waits up to `timeoutMs`.
  void Kill(UINT exitCode, DWORD timeoutMs) {
    if (!m_info.hProcess || ::WaitForSingleObject(m_info.hProcess, 0) != WAIT_TIMEOUT) return;
    ::TerminateProcess(m_info.hProcess, exitCode);
    ::WaitForSingleObject(m_info.hProcess, timeoutMs);
  }
  // Lets go of the handles; a process still running runs on.
  void Close() {
    if (m_info.hProcess) ::CloseHandle(m_info.hProcess);
    if (m_info.hThread) ::CloseHandle(m_info.hThread);
    m_info = {};
  }

  DWORD Id() const { return m_info.dwProcessId; }
  HANDLE Process() const { return m_info.hProcess; }
  HANDLE Thread() const { return m_info.hThread; }

 private:
  PROCESS_INFORMATION m_info{};
};
