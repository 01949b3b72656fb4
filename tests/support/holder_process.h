#pragma once
// quorlin_test_holder.exe (tests/holder), started from a test: a process
// that holds a file, a folder or a pipe open as a user's program would,
// until the object goes. It runs without a console, so that no console
// host shares its current folder.
#include <windows.h>

#include <string>

#include "support/launcher.h"
#include "support/wait.h"

class HolderProcess {
 public:
  HolderProcess() = default;
  ~HolderProcess() { End(); }
  HolderProcess(const HolderProcess&) = delete;
  HolderProcess& operator=(const HolderProcess&) = delete;

  // Starts it with `arguments` ("open E:\\a.txt", "wait", "pipe \\\\.\\pipe\\x")
  // in the current folder `folder` (the test's own when empty), and waits
  // until it holds what it was asked to; false when it did not.
  bool Start(const std::wstring& arguments, const std::wstring& folder = {});
  // Ends it and waits until it is gone.
  void End() {
    m_process.Kill(0, Scaled(10000));
    m_process.Close();
  }

  DWORD Id() const { return m_process.Id(); }

 private:
  ChildProcess m_process;
};
