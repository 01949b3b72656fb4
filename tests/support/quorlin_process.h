#pragma once
// Drives the real Quorlin.exe from a test program: start it, find its windows
// and controls by title and id, read them back across the process boundary,
// click them, and send it device-change broadcasts.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

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
  ~QuorlinProcess();
  QuorlinProcess(const QuorlinProcess&) = delete;
  QuorlinProcess& operator=(const QuorlinProcess&) = delete;

  // Starts Quorlin.exe with `arguments` (already quoted as needed).
  // `flags` go to CreateProcess (e.g. DETACHED_PROCESS); `stdoutFile`, when
  // given, becomes the process's standard output. `exe` replaces the
  // Quorlin.exe next to the test program.
  bool Start(const std::wstring& arguments = L"", DWORD flags = 0,
             const std::wstring& stdoutFile = L"", const std::wstring& exe = L"");
  // Waits until the main window "Velkomir" of this process is shown.
  HWND WaitForMainWindow(DWORD timeoutMs = 20000);
  // Waits for the process to end; true when it ended in time.
  bool WaitForExit(DWORD timeoutMs);
  void Kill();

  DWORD Id() const { return m_info.dwProcessId; }
  HANDLE Handle() const { return m_info.hProcess; }
  HWND MainWindow() const { return m_main; }
  // A control of the main window or of one of its panes, by id.
  HWND Control(int id) const;

 private:
  PROCESS_INFORMATION m_info{};
  HWND m_main = nullptr;
};

// Top-level window of process `pid` with the given title, or null.
HWND FindProcessWindow(DWORD pid, const wchar_t* title);
// Top-level window of process `pid` of the given class, shown or not, or
// null (message-only windows are not top-level).
HWND FindProcessWindowOfClass(DWORD pid, const wchar_t* className);
// A message sent to the window returns within `timeoutMs`: its thread is free.
bool Responds(HWND window, DWORD timeoutMs);
// First descendant of `parent` with control id `id`, or null.
HWND FindDescendant(HWND parent, int id);

// Reading controls of another process, converted to code page 932.
std::vector<std::string> ListBoxLines(HWND listBox);
int ListBoxTopIndex(HWND listBox);
std::string WindowTextOf(HWND window);
std::wstring WideWindowTextOf(HWND window);
int ListViewCount(HWND listView);
std::string ListViewText(HWND listView, int item, int subItem);
int ListViewSelectionMark(HWND listView);
// The drive list refreshes every 3 s; a change shows within one period plus
// the time a busy machine needs to deliver the tick.
inline constexpr DWORD kOneRefreshMs = 3000 + 1500;
// The row whose first column reads `text` (a drive's root path), or -1.
int ListViewRowOf(HWND listView, const std::string& text);
// Waits until the program has rebuilt the list's rows (the drive list's
// refresh tick); false when no rebuild came within `timeoutMs`.
bool WaitForListRefresh(HWND listView, DWORD timeoutMs);
// Client rectangle of row `item` of another process's list view.
RECT ListViewItemRect(HWND listView, int item);

// The rows of a console screen up to the cursor's, right blanks trimmed;
// empty when `screen` is not one.
std::vector<std::wstring> ScreenRows(HANDLE screen);
// The screen of process `pid`'s console, one string per row up to the
// cursor, right blanks trimmed; empty when the process has no console.
std::vector<std::wstring> ConsoleRows(DWORD pid);
// The console's non-blank rows (the cursor row is blank), as code page 932.
std::vector<std::string> ConsoleLines(DWORD pid);

// Posts a real left click at client coordinates of `window`.
void ClickAt(HWND window, int x, int y);

// Broadcasts WM_DEVICECHANGE to every top-level window. `record` (may be
// empty) is sent as the broadcast record; its dbch_size must be right.
void BroadcastDeviceChange(WPARAM code, const std::vector<unsigned char>& record = {});
// Broadcast records as another program sends them: a volume record for the
// drives of `unitMask`, and a record of device type `type` whose name
// (`nameBytes` and one NUL byte) starts at `nameOffset`, zeros before it.
std::vector<unsigned char> VolumeRecord(DWORD unitMask);
std::vector<unsigned char> RecordWithName(DWORD type, size_t nameOffset,
                                          std::string_view nameBytes);

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

// Pumps this thread's messages and sleeps until `done` holds or time runs out.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD timeoutMs = 10000) {
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(50);
  }
  return true;
}
