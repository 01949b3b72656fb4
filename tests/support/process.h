#pragma once
// Starting programs from a test: the real Quorlin.exe found beside the test
// program, with its arguments and standard output, and the files that go
// with such a start.
#include <windows.h>

#include <string>

#include "support/launcher.h"
#include "support/wait.h"

// The texts by which the tests know the window program: its main window's
// title, and the first line it traces.
inline constexpr wchar_t kMainWindowTitle[] = L"Velkomir";
inline constexpr char kDebugBannerLine[] = "********** Start Kestrune DEBUG MODE  *******";

// The running test program's own path, a file `name` next to it, and
// Quorlin.exe there.
std::wstring TestProgramPath();
std::wstring BesideTestProgram(const wchar_t* name);
std::wstring QuorlinExePath();

// Holds still for a screenshot taken from outside while a test waits here:
// QUORLIN_SCREENSHOT_PAUSE_MS milliseconds, no pause when it is unset.
void PauseForScreenshot();

class QuorlinProcess {
 public:
  QuorlinProcess() = default;
  ~QuorlinProcess() { Kill(); }
  QuorlinProcess(const QuorlinProcess&) = delete;
  QuorlinProcess& operator=(const QuorlinProcess&) = delete;

  // Starts Quorlin.exe with `arguments` (already quoted as needed).
  // `flags` go to CreateProcess (e.g. DETACHED_PROCESS); `stdoutFile`, when
  // given, becomes the process's standard output. `exe` replaces the
  // Quorlin.exe next to the test program.
  bool Start(const std::wstring& arguments = {}, DWORD flags = 0,
             const std::wstring& stdoutFile = {}, const std::wstring& exe = {});
  // Waits until the main window (kMainWindowTitle) of this process is shown.
  HWND WaitForMainWindow(DWORD timeoutMs = 20000);
  // Waits for the process to end; true when it ended in time.
  bool WaitForExit(DWORD timeoutMs) {
    return Handle() && ::WaitForSingleObject(Handle(), Scaled(timeoutMs)) == WAIT_OBJECT_0;
  }
  void Kill() { m_process.Kill(1, Scaled(5000)); }

  DWORD Id() const { return m_process.Id(); }
  HANDLE Handle() const { return m_process.Process(); }
  HWND MainWindow() const { return m_main; }
  // A control of the main window or of one of its panes, by id.
  HWND Control(int id) const;

 private:
  ChildProcess m_process;
  HWND m_main = nullptr;
};

// A file created anew for writing whose handle a child process inherits
// (INVALID_HANDLE_VALUE when it cannot be made).
HANDLE InheritableFile(const std::wstring& path);
// A path in the temporary folder, unique to this test process.
std::wstring TempPath(const std::wstring& name);
// The whole content of a file, empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);

// Waits until no other process runs the test program's own exe (a copy of
// it started as a helper, such as a stand-in web-address handler).
bool WaitForOtherInstancesToEnd(DWORD timeoutMs = 10000);
