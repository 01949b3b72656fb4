#pragma once
// Runs the real QuorlinCmd.exe from a test program: its standard output and
// standard error in files of their own, in pipes, or on a console of the
// test's own; its exit code; and a start held before the program's first
// instruction, so that the plug-and-play stand-in can be loaded first.
//
//   CmdResult run = RunQuorlinCmd(L"report C:");
//   EXPECT_EQ(run.exitCode, 0u);  // run.out holds the bytes it wrote
#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/launcher.h"

// QuorlinCmd.exe next to the test program.
std::wstring QuorlinCmdExePath();

enum class CmdOutput {
  kFiles,    // standard output and standard error each to a file
  kPipes,    // each to a pipe
  kConsole,  // both to the console the test has made (TestConsole)
  // standard output to a pipe that nobody reads (its read end is closed
  // before the program starts), standard error to a file
  kClosedPipe,
};

struct CmdResult {
  DWORD exitCode = STILL_ACTIVE;  // STILL_ACTIVE: it did not end in time and was ended
  std::string out;                // the bytes written to standard output (not on a console)
  std::string err;                // and to standard error
};

class QuorlinCmdProcess {
 public:
  QuorlinCmdProcess() = default;
  ~QuorlinCmdProcess();
  QuorlinCmdProcess(const QuorlinCmdProcess&) = delete;
  QuorlinCmdProcess& operator=(const QuorlinCmdProcess&) = delete;

  // Starts QuorlinCmd.exe with `arguments` (already quoted as needed). It
  // shares the test's console, if any. `suspended` holds it until Resume.
  bool Start(const std::wstring& arguments, CmdOutput output = CmdOutput::kFiles,
             bool suspended = false);
  void Resume() { ::ResumeThread(m_process.Thread()); }
  // Waits for the end (ending it after `timeoutMs`) and collects its output.
  CmdResult Finish(DWORD timeoutMs = 20000);

  // What the files hold so far (CmdOutput::kFiles only).
  std::string OutSoFar() const;
  std::string ErrSoFar() const;

  DWORD Id() const { return m_process.Id(); }
  HANDLE Handle() const { return m_process.Process(); }

 private:
  ChildProcess m_process;
  CmdOutput m_output = CmdOutput::kFiles;
  std::wstring m_outPath, m_errPath;
  // Pipes are read as the program writes, so that it never blocks on a full one.
  std::string m_pipeOut, m_pipeErr;
  std::unique_ptr<std::thread> m_outReader, m_errReader;
};

CmdResult RunQuorlinCmd(const std::wstring& arguments, CmdOutput output = CmdOutput::kFiles);

// A console of the test program's own, fresh and wide enough that no line
// wraps, for programs that inherit it. Its standard handles are the test's
// again once it goes.
class TestConsole {
 public:
  TestConsole();
  ~TestConsole();
  TestConsole(const TestConsole&) = delete;
  TestConsole& operator=(const TestConsole&) = delete;

  bool ok() const { return m_output != INVALID_HANDLE_VALUE; }
  // An inheritable handle of the console's screen, for a child's output.
  HANDLE Output() const { return m_output; }
  // The rows up to the cursor's, right blanks trimmed.
  std::vector<std::wstring> Rows() const;

 private:
  HANDLE m_output = INVALID_HANDLE_VALUE;
  HANDLE m_savedOut, m_savedErr, m_savedIn;
};

// The console the test made, for QuorlinCmdProcess (null: none).
extern TestConsole* g_testConsole;
